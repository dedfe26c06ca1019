// The application's standard error box, the one place that shows a failure
// of an action to the user.
#pragma once

#include "common/ErrorText.h"

#include <QString>
#include <functional>

class QWidget;
class TError;

namespace ErrorBox {

// The message with the full-stop rule applied, as the box shows it.
using ErrorText::WithFullStop;

// The executable's name up to its first full stop, every character after
// the first in lower case.
QString ApplicationTitle();

// Shows message in a modal error box titled with the application title.
void Show(QWidget *parent, const QString &message);
// The same for an error, with where a controller exchange failed on a line
// of its own (ErrorText::InBox()).
void Show(QWidget *parent, const TError &error);

// Replaces the box, for tests: the reporter receives the text the box
// would show. An empty reporter restores the box.
using Reporter = std::function<void(const QString &text)>;
void SetReporter(Reporter reporter);

} // namespace ErrorBox
