#pragma once
#include <QString>
#include <QByteArray>
#include <exception>

// The general exception class of the system: every failure is reported through it or a descendant,
// carrying the message text the user sees.
class Exception : public std::exception {
public:
    explicit Exception(QString Message);
    Exception(const QString& Format, std::initializer_list<QString> Args);
    ~Exception() override;

    const QString& Message() const { return FMessage; }
    void SetMessage(const QString& Value);
    const char* what() const noexcept override { return FUtf8.constData(); }

    // Raises an exception whose message is the string-table text with the given number.
    [[noreturn]] static void CreateRes(int Ident);
    [[noreturn]] static void CreateResFmt(int Ident, std::initializer_list<QString> Args);

private:
    QString FMessage;
    QByteArray FUtf8;
};

// The silent abort: callers unwind without any message being shown.
class EAbort : public Exception {
public:
    EAbort();
};

[[noreturn]] void Abort();

class EConvertError : public Exception { using Exception::Exception; };
class EStreamError : public Exception { using Exception::Exception; };
class EReadError : public EStreamError { using EStreamError::EStreamError; };
class EWriteError : public EStreamError { using EStreamError::EStreamError; };
class EFCreateError : public EStreamError { using EStreamError::EStreamError; };
class EFOpenError : public EStreamError { using EStreamError::EStreamError; };
class EListError : public Exception { using Exception::Exception; };
class ERangeError : public Exception { using Exception::Exception; };
class EInvalidOperation : public Exception { using Exception::Exception; };

// Substitutes %s, %d and %% in order, the way the system's format strings use them.
QString FormatText(const QString& Format, std::initializer_list<QString> Args);
