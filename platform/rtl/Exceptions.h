#pragma once

#include <stdexcept>
#include <string>

namespace rtl {

/// Root of every exception the system raises; the message is UTF-8 text shown to the user.
class Exception : public std::runtime_error {
public:
    explicit Exception(const std::string& message)
        : std::runtime_error(message)
    { }
    const std::string Message() const { return what(); }
};

/// A value text that does not convert (numbers, colours, property texts, Assign between
/// unrelated classes).
class ConvertError : public Exception {
public:
    using Exception::Exception;
};

/// Object text that does not follow the notation; the message carries the position.
class ParserError : public Exception {
public:
    using Exception::Exception;
};

/// A binary stream that cannot be read ("Illegal stream image", bad lengths, unknown values).
class ReadError : public Exception {
public:
    using Exception::Exception;
};

/// A read that would go beyond a limit on the work or memory one load may take (a picture
/// larger than the load may still hold, say). Unlike the other errors of a read it is never
/// absorbed: the whole read fails and leaves nothing it created behind.
class LimitError : public ReadError {
public:
    using ReadError::ReadError;
};

class WriteError : public Exception {
public:
    using Exception::Exception;
};

/// A file that cannot be opened or created; the message names the file and the reason.
class FileOpenError : public Exception {
public:
    using Exception::Exception;
};

/// An abstract operation called through a class reference.
class AbstractError : public Exception {
public:
    using Exception::Exception;
};

/// A component name that is not an identifier, or that another component of the same owner
/// already has.
class ComponentError : public Exception {
public:
    using Exception::Exception;
};

/// A drawing back buffer that cannot be created.
class GraphicsError : public Exception {
public:
    using Exception::Exception;
};

} // namespace rtl
