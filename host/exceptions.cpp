#include "host/exceptions.h"
#include "host/resstrings.h"

Exception::Exception(QString Message) : FMessage(std::move(Message)), FUtf8(FMessage.toUtf8()) {}

Exception::Exception(const QString& Format, std::initializer_list<QString> Args)
    : Exception(FormatText(Format, Args)) {}

Exception::~Exception() = default;

void Exception::SetMessage(const QString& Value) {
    FMessage = Value;
    FUtf8 = Value.toUtf8();
}

void Exception::CreateRes(int Ident) { throw Exception(LoadStr(Ident)); }

void Exception::CreateResFmt(int Ident, std::initializer_list<QString> Args) {
    throw Exception(LoadStr(Ident), Args);
}

EAbort::EAbort() : Exception(QStringLiteral("Operation aborted")) {}

void Abort() { throw EAbort(); }

QString FormatText(const QString& Format, std::initializer_list<QString> Args) {
    QString Result;
    Result.reserve(Format.size() + 16);
    auto Arg = Args.begin();
    for (qsizetype i = 0; i < Format.size(); ++i) {
        const QChar c = Format[i];
        if (c == u'%' && i + 1 < Format.size()) {
            const QChar k = Format[i + 1];
            if (k == u'%') {
                Result += u'%';
                ++i;
                continue;
            }
            if ((k == u's' || k == u'd') && Arg != Args.end()) {
                Result += *Arg++;
                ++i;
                continue;
            }
        }
        Result += c;
    }
    return Result;
}
