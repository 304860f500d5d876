// The remote client's factory on its own, so that a program may take the client from the
// loadable module instead (RemoteModule.h) without linking the RPC libraries.
#include <new>

#include "recnet/RecNet.h"
#include "recnet/RemoteClient.h"

namespace zl {

RecNetClient* CreateRecNetClient() {
    return new (std::nothrow) zl::recnet::RemoteClient();
}

}  // namespace zl
