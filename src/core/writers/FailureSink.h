#pragma once

#include <QString>
#include <functional>

namespace glyphon {

// Receives the description of each failed write. The default prints the documented line
// "Something went wrong: <description>" on standard output.
using FailureSink = std::function<void(const QString &description)>;

void printFailure(const QString &description);

// Passes each failure on to a sink and counts them, so a writer can tell its caller how many there were.
// Each write that succeeded is added to *written when given: only that tells "some failed" from "nothing
// was written".
class FailureCounter {
public:
    explicit FailureCounter(const FailureSink &sink, int *written = nullptr)
        : m_sink(sink), m_written(written) {}
    void operator()(const QString &description) {
        ++m_count;
        m_sink(description);
    }
    int count() const { return m_count; }

    // The outcome of one file's write: counted as written, or its reason passed on.
    void tally(bool wrote, const QString &error) {
        if (!wrote)
            (*this)(error);
        else if (m_written)
            ++*m_written;
    }

private:
    const FailureSink &m_sink;
    int *m_written;
    int m_count = 0;
};

} // namespace glyphon
