#pragma once

#include <QString>

#include <stdexcept>

// Failure of a storage operation. Every throwing call of the store library raises this type;
// message() carries the database's or file system's own text for the user.
class StoreError : public std::runtime_error {
public:
    explicit StoreError(const QString &message)
        : std::runtime_error(message.toStdString()), m_message(message) {}

    const QString &message() const noexcept { return m_message; }

private:
    QString m_message;
};
