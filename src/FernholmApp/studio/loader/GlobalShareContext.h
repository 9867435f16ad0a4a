#pragma once

namespace fernholm {

// The web engine shares its textures with the widgets through Qt's global share context, which
// it makes itself only when it is loaded before the application object exists. Loaded later, as
// the studio module is, it finds that context here: made on the first call and handed to Qt, with
// Qt::AA_ShareOpenGLContexts set as the engine expects. False when no OpenGL context can be made
// (the engine then draws in software); it is handed over all the same, since the engine reads it
// whatever it is. Later calls only answer.
//
// GUI thread only, with a QGuiApplication.
bool provideGlobalShareContext();

} // namespace fernholm
