#include "net/net_errors.h"

#include "net/net_stack.h"

namespace quillmark::net {

ENetSocketError::ENetSocketError(int code)
    : ENetException("Socket Error # " + std::to_string(code) + "\r\n" +
                    TNetStack::SocketErrorText(code)),
      code_(code) {}

}  // namespace quillmark::net
