// ktray's code names the shared window layer's types as its own.
#pragma once

#include "handles.h"
#include "subclass_wnd.h"
#include "window.h"

namespace ktray {
using namespace winlayer;
}  // namespace ktray
