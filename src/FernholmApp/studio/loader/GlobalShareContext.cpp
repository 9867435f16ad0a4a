#include "FernholmApp/studio/loader/GlobalShareContext.h"

#include <QGuiApplication>
#include <QOpenGLContext>
#include <QSurfaceFormat>


// Qt's own setter of the global share context. QtGui exports it, but declares it only in its
// private headers; tst_globalsharecontext checks it still does what is relied on here, and fails
// on a Qt other than the one this was written for, so that an upgrade looks at it again.
Q_GUI_EXPORT void qt_gl_set_global_share_context(QOpenGLContext* context);

namespace fernholm {

namespace {

QOpenGLContext* made = nullptr;

void dropContext() {
    // Once the application object is gone: the web engine may still have used it until then.
    qt_gl_set_global_share_context(nullptr);
    delete made;
    made = nullptr;
}

} // namespace

bool provideGlobalShareContext() {
    if (QOpenGLContext* context = QOpenGLContext::globalShareContext()) {
        return context->isValid();
    }
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    made = new QOpenGLContext;
    made->setFormat(QSurfaceFormat::defaultFormat());
    const bool created = made->create();
    // Handed over even when it could not be created, as Qt's own start-up does: the web engine
    // reads the context's format whatever it is, and draws in software when it is not valid.
    qt_gl_set_global_share_context(made);
    qAddPostRoutine(dropContext);
    return created;
}

} // namespace fernholm
