// The shared temporary folder and byte helpers under the names the base tests use.
#pragma once

#include "Bytes.h"
#include "TempFolder.h"

namespace zl {

using zl::testsupport::ReadBytes;
using zl::testsupport::TempFolder;
using zl::testsupport::WriteBytes;

}  // namespace zl
