#pragma once

#include <QString>
#include <stdexcept>

// A failure that ends the current command and is shown to the user with its own message by the
// program's general error handling.
class NorvaleError final : public std::runtime_error {
public:
    explicit NorvaleError(const QString &message)
        : std::runtime_error(message.toStdString()), m_message(message)
    {}
    const QString &message() const { return m_message; }

private:
    QString m_message;
};
