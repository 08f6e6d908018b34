#pragma once
// The web-access exception family. Every failure of the socket layer and the HTTP client is one
// of these (or EConvertError for a number the peer wrote badly); the page fetch swallows them all.

#include <stdexcept>
#include <string>

namespace quillmark::net {

// A text that should have been a number was not (a status code, a Content-Range part, an address).
class EConvertError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class ENetException : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class ENetSilentException : public ENetException {
 public:
  using ENetException::ENetException;
};

class ENetConnClosedGracefully : public ENetSilentException {
 public:
  ENetConnClosedGracefully() : ENetSilentException("Connection Closed Gracefully.") {}
};

// Carries the Windows Sockets numbering of the failure (see SocketErrorText).
class ENetSocketError : public ENetException {
 public:
  explicit ENetSocketError(int code);
  int Code() const { return code_; }

 private:
  int code_;
};

class ENetAlreadyConnected : public ENetException {
 public:
  ENetAlreadyConnected() : ENetException("Already connected.") {}
};

class ENetInvalidSocket : public ENetException {
 public:
  ENetInvalidSocket() : ENetException("Cannot allocate socket.") {}
};

class ENetSocketHandleError : public ENetException {
 public:
  using ENetException::ENetException;
};

class ENetCouldNotBindSocket : public ENetSocketHandleError {
 public:
  ENetCouldNotBindSocket()
      : ENetSocketHandleError("Could not bind socket. Address and port are already in use.") {}
};

class ENetStackCanNotLoadWinsock : public ENetException {
 public:
  explicit ENetStackCanNotLoadWinsock(const std::string& library)
      : ENetException(library + " could not be loaded.") {}
};

class ENetStackError : public ENetException {
 public:
  using ENetException::ENetException;
};

class ENetStackInitializationFailed : public ENetStackError {
 public:
  ENetStackInitializationFailed() : ENetStackError("Winsock Initialization Error.") {}
};

class ENetStackSetSizeExceeded : public ENetStackError {
 public:
  ENetStackSetSizeExceeded() : ENetStackError("Set Size Exceeded.") {}
};

class ENetTCPConnectionError : public ENetException {
 public:
  using ENetException::ENetException;
};

class ENetNotEnoughDataInBuffer : public ENetTCPConnectionError {
 public:
  ENetNotEnoughDataInBuffer() : ENetTCPConnectionError("Not enough data in buffer.") {}
};

class ENetInterceptPropInvalid : public ENetTCPConnectionError {
 public:
  ENetInterceptPropInvalid() : ENetTCPConnectionError("Intercept value is not valid") {}
};

// A reply whose status is not a success; the body has been read into the sink already.
class ENetProtocolReplyError : public ENetException {
 public:
  ENetProtocolReplyError(int reply_code, const std::string& reply_text)
      : ENetException(reply_text), reply_code_(reply_code) {}
  int ReplyCode() const { return reply_code_; }

 private:
  int reply_code_;
};

class ENetFailedToRetreiveTimeZoneInfo : public ENetException {
 public:
  ENetFailedToRetreiveTimeZoneInfo()
      : ENetException("Failed attempting to retrieve time zone information.") {}
};

// The whole-fetch deadline passed; the connection has been closed.
class ENetTimedOut : public ENetException {
 public:
  ENetTimedOut() : ENetException("time limit reached") {}
};

// A peer sent more than a bound in net_limits.h allows; the connection has been closed.
class ENetReplyTooLarge : public ENetException {
 public:
  using ENetException::ENetException;
};

// The caller's cancel test said stop (its run was stopped, or its session is ending); the
// connection has been closed.
class ENetCancelled : public ENetException {
 public:
  ENetCancelled() : ENetException("stopped") {}
};

// A URL that must not become a request: its host, port or target holds bytes that would break
// or smuggle request lines, or its port is out of range. Raised before any connection is made.
class ENetUnsafeUrl : public ENetException {
 public:
  using ENetException::ENetException;
};

// The body's destination refused more bytes (standard output closed, disk full).
class ENetSinkFailed : public ENetException {
 public:
  ENetSinkFailed() : ENetException("the body could not be written") {}
};

// A counted read was asked for a negative number of bytes (a negative Content-Length).
class ENetInvalidByteCount : public ENetTCPConnectionError {
 public:
  ENetInvalidByteCount() : ENetTCPConnectionError("Invalid byte count.") {}
};

}  // namespace quillmark::net
