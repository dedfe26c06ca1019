#include "ErrorText.h"

#include "Cp1251.h"
#include "Error.h"

#include <QStringList>

namespace {

using TCause = TErrorPlace::TCause;

enum class TLanguage { English, Russian };

QString Limit(int milliseconds, TLanguage language)
{
    const bool english = language == TLanguage::English;
    if (milliseconds % 1000 == 0)
        return QStringLiteral("%1 %2").arg(milliseconds / 1000).arg(english ? u"s" : u"с");
    return QStringLiteral("%1 %2").arg(milliseconds).arg(english ? u"ms" : u"мс");
}

// Why a command did not complete; empty when it did.
QString CauseText(const TErrorPlace &place, TLanguage language)
{
    const bool english = language == TLanguage::English;
    const QString limit = Limit(place.TimeoutMs, language);
    switch (place.Cause) {
    case TCause::None:
        return {};
    case TCause::NoAnswer:
        return (english ? QStringLiteral("no answer within %1") : QStringLiteral("нет ответа за %1")).arg(limit);
    case TCause::NoEcho:
        return (english ? QStringLiteral("wrong echo: bytes came within %1, but not the command's echo")
                        : QStringLiteral("неверное эхо: за %1 пришли байты, но не эхо команды"))
            .arg(limit);
    case TCause::NoPrompt:
        return (english ? QStringLiteral("the answer did not end: no prompt within %1")
                        : QStringLiteral("ответ не закончен: нет приглашения за %1"))
            .arg(limit);
    case TCause::PortClosed:
        return english ? QStringLiteral("the port was closed") : QStringLiteral("Порт закрыт");
    case TCause::LinkFailed:
        return (english ? QStringLiteral("the line failed: %1") : QStringLiteral("сбой линии: %1")).arg(place.LinkText);
    }
    return {};
}

// "tanks.tbl, tank 3" or "tanks.tbl, резервуар 3"; empty for a plain command.
QString FileText(const TErrorPlace &place, TLanguage language)
{
    QString text = Cp1251::toUnicode(place.File);
    if (!text.isEmpty() && place.Part > 0)
        text += (language == TLanguage::English ? QStringLiteral(", tank %1") : QStringLiteral(", резервуар %1"))
                    .arg(place.Part);
    return text;
}

QString AnswerLineText(const TErrorPlace &place, TLanguage language)
{
    if (place.AnswerLine == 0)
        return {};
    return (language == TLanguage::English ? QStringLiteral("answer line %1") : QStringLiteral("строка ответа %1"))
        .arg(place.AnswerLine);
}

// The parts joined by ": ", the empty ones left out.
QString Joined(const QStringList &parts)
{
    QStringList present;
    for (const QString &part : parts) {
        if (!part.isEmpty())
            present << part;
    }
    return present.join(QStringLiteral(": "));
}

// The command, and the answer line at fault after it.
QString CommandText(const TErrorPlace &place, bool withCommand, TLanguage language)
{
    QStringList parts;
    if (withCommand)
        parts << Cp1251::toUnicode(place.Command);
    parts << AnswerLineText(place, language);
    parts.removeAll(QString());
    return parts.join(QStringLiteral(", "));
}

} // namespace

namespace ErrorText {

QString OneLine(const TError &error)
{
    const TErrorPlace &place = error.Place();
    if (place.IsEmpty())
        return WithFullStop(error.Message());
    const QString why = place.Cause == TCause::None ? error.Message() : CauseText(place, TLanguage::English);
    return WithFullStop(Joined({FileText(place, TLanguage::English),
                                CommandText(place, true, TLanguage::English), why}));
}

QString InBox(const TError &error)
{
    const TErrorPlace &place = error.Place();
    if (place.IsEmpty())
        return WithFullStop(error.Message());
    // A command that did not complete is the message itself.
    const bool failedCommand = place.Cause != TCause::None;
    const QString where = Joined({FileText(place, TLanguage::Russian),
                                  CommandText(place, !failedCommand, TLanguage::Russian),
                                  CauseText(place, TLanguage::Russian)});
    return WithFullStop(error.Message()) + u'\n' + WithFullStop(where);
}

} // namespace ErrorText
