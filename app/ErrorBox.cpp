#include "ErrorBox.h"

#include "common/Error.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QMessageBox>

namespace {
ErrorBox::Reporter &reporter()
{
    static ErrorBox::Reporter instance;
    return instance;
}
} // namespace

namespace ErrorBox {

QString ApplicationTitle()
{
    const QString name = QFileInfo(QCoreApplication::applicationFilePath()).fileName();
    const QString title = name.section(u'.', 0, 0);
    return title.left(1) + title.mid(1).toLower();
}

namespace {

void ShowText(QWidget *parent, const QString &text)
{
    if (reporter()) {
        reporter()(text);
        return;
    }
    QMessageBox box(QMessageBox::Critical, ApplicationTitle(), text, QMessageBox::Ok, parent);
    // Messages carry what the user typed or the controller holds: shown as
    // it is, never taken for markup.
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

} // namespace

void Show(QWidget *parent, const QString &message)
{
    ShowText(parent, WithFullStop(message));
}

void Show(QWidget *parent, const TError &error)
{
    ShowText(parent, ErrorText::InBox(error));
}

void SetReporter(Reporter newReporter)
{
    reporter() = std::move(newReporter);
}

} // namespace ErrorBox
