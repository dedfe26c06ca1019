// The text with which a failure is shown to the user.
#pragma once

#include <QString>

class TError;

namespace ErrorText {

// The message with a full stop appended when its last character sorts
// after "." (a letter, a digit, ":"); "." or ")" get none.
inline QString WithFullStop(const QString &message)
{
    if (!message.isEmpty() && message.back() > u'.')
        return message + u'.';
    return message;
}

// The companion's one line, in English: where a controller exchange failed,
// then why, or the message ("tanks.tbl, tank 3: rdfile tanks.tbl 3200 1600:
// no answer within 10 s."); the message alone for any other error.
QString OneLine(const TError &error);

// The window's error box: the message, and for a controller exchange a
// second line, in Russian, with where it failed and why ("rdfile tanks.tbl
// 3200 1600." / "tanks.tbl, резервуар 3: нет ответа за 10 с.").
QString InBox(const TError &error);

} // namespace ErrorText
