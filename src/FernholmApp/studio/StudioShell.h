#pragma once

#include "FernholmApp/shell/FernholmApplication.h"

namespace fernholm {

// The program's studio: the shared host's sink in the platform, its page on the documents tab,
// its language and sample hooks, and the model attached once it exists.
StudioWiring studioWiring();

} // namespace fernholm
