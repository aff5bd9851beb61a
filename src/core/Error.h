#pragma once

#include <QString>
#include <QtGlobal>
#include <optional>
#include <utility>
#include <variant>

namespace glyphon {

enum class ErrorKind {
    // Reading a source
    NotFound,
    NotAFile,
    Unreadable,
    Unsupported,
    Damaged,
    TooLarge,
    // Making and writing a set
    RenderFailed,
    EncodeFailed,
    FolderNotCreated,
    WriteFailed,
    ResourceUnreadable,
};

// Every failure of the core, from reading a source to writing a set's last file. The path is the file or
// folder concerned as the caller gave it (empty when there is none yet); the message says why, without it.
struct Error {
    ErrorKind kind = ErrorKind::Unreadable;
    QString path;
    QString message;

    // The one text shown for it: the path, then the reason, framed by what failed.
    QString description() const;

    // The same failure, now known to concern this path.
    Error withPath(const QString &filePath) const;

    friend bool operator==(const Error &, const Error &) = default;
};

// A value or the reason there is none, in the manner of std::expected (which GCC 12 lacks). E is the
// failure type: the core's Error, or a caller's own.
template <typename T, typename E = Error> class [[nodiscard]] Result {
public:
    Result(const T &value) : m_state(std::in_place_index<0>, value) {}
    Result(T &&value) : m_state(std::in_place_index<0>, std::move(value)) {}
    Result(const E &error) : m_state(std::in_place_index<1>, error) {}
    Result(E &&error) : m_state(std::in_place_index<1>, std::move(error)) {}

    bool hasValue() const { return m_state.index() == 0; }
    explicit operator bool() const { return hasValue(); }

    // Only when there is a value.
    T &operator*() & { return *value(); }
    const T &operator*() const & { return *value(); }
    T &&operator*() && { return std::move(*value()); }
    T *operator->() { return value(); }
    const T *operator->() const { return value(); }

    // Only when there is none.
    const E &error() const & {
        Q_ASSERT(!hasValue());
        return *std::get_if<1>(&m_state);
    }
    E &&error() && {
        Q_ASSERT(!hasValue());
        return std::move(*std::get_if<1>(&m_state));
    }

    T valueOr(T fallback) const & { return hasValue() ? **this : std::move(fallback); }

private:
    T *value() {
        Q_ASSERT(hasValue());
        return std::get_if<0>(&m_state);
    }
    const T *value() const {
        Q_ASSERT(hasValue());
        return std::get_if<0>(&m_state);
    }

    std::variant<T, E> m_state;
};

// An operation that has nothing to hand back but may fail.
template <typename E> class [[nodiscard]] Result<void, E> {
public:
    Result() = default;
    Result(const E &error) : m_error(error) {}
    Result(E &&error) : m_error(std::move(error)) {}

    bool hasValue() const { return !m_error; }
    explicit operator bool() const { return hasValue(); }
    const E &error() const & {
        Q_ASSERT(m_error);
        return *m_error;
    }
    E &&error() && {
        Q_ASSERT(m_error);
        return std::move(*m_error);
    }

private:
    std::optional<E> m_error;
};

} // namespace glyphon
