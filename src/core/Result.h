// SPDX-License-Identifier: GPL-3.0-or-later
// What an operation of the program's core came to: its value, or why it failed. Failures are values until they
// reach a window's edge, where each window turns them into the one thing the user sees (the store's description
// in an editor's message box, "Unanticipated error <number>" in the main window, a line of the start-up notice).
// The data layer returns it (the main window's reads, the editors' data source, the installer's schema tool);
// other core code may return it the same way.
#pragma once

#include <QString>

#include <utility>
#include <variant>

namespace miravo {

// Why an operation failed: the reason in words, as the store or the system gave them (shown unchanged), and a
// number for callers that report failures by number (0 where nobody does).
struct Failure {
    QString reason;
    int code = 0;
};

// Done with a value of type T, or failed with a Failure. `return names;` and `return Failure{...};` both read
// as what they are; a caller tests ok() and then takes value(), or reason() and code().
template <typename T = std::monostate>
class Result {
public:
    Result() = default;
    Result(T value)
        : m_value(std::move(value))
    {}
    Result(Failure failure)
        : m_failed(true)
        , m_failure(std::move(failure))
    {}

    bool ok() const { return !m_failed; }
    const T& value() const { return m_value; }
    T& value() { return m_value; }
    const Failure& failure() const { return m_failure; }
    const QString& reason() const { return m_failure.reason; }
    int code() const { return m_failure.code; }

private:
    T m_value{};
    bool m_failed = false;
    Failure m_failure;
};

// An operation with nothing to hand back but whether it was done.
using Outcome = Result<>;

} // namespace miravo
