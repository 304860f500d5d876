// A fresh folder below the system's temporary folder, removed with everything in it when the
// object goes away. Tests write their databases only there.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>

#include "TempFolder.h"

namespace zl {

using zl::testsupport::TempFolder;

}  // namespace zl
