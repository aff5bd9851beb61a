#pragma once

#include <QString>
#include <functional>

namespace glyphon {

// Receives the description of each failed write. The default prints the documented line
// "Something went wrong: <description>" on standard output.
using FailureSink = std::function<void(const QString &description)>;

void printFailure(const QString &description);

// Passes each failure on to a sink and counts them, so a writer can tell its caller how many there were.
class FailureCounter {
public:
    explicit FailureCounter(const FailureSink &sink) : m_sink(sink) {}
    void operator()(const QString &description) {
        ++m_count;
        m_sink(description);
    }
    int count() const { return m_count; }

private:
    const FailureSink &m_sink;
    int m_count = 0;
};

} // namespace glyphon
