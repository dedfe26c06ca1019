// The text with which a failure is shown to the user.
#pragma once

#include <QString>

namespace ErrorText {

// The message with a full stop appended when its last character sorts
// after "." (a letter, a digit, ":"); "." or ")" get none.
inline QString WithFullStop(const QString &message)
{
    if (!message.isEmpty() && message.back() > u'.')
        return message + u'.';
    return message;
}

} // namespace ErrorText
