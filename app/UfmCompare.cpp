#include "UfmCompare.h"

#include "ErrorBox.h"
#include "Station.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

TfmCompare::TfmCompare(const TControllerComparison &Comparison, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowMaximizeButtonHint
                          | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("fmCompare"));
    setWindowTitle(ErrorBox::ApplicationTitle());
    setFont(QFont(QStringLiteral("Tahoma"), 8));
    resize(600, 300);

    const QStringList lines = StationComparison::Lines(Comparison.Differences, std::nullopt);
    QString scope = ScopeText(Comparison.TankNos);
    if (!lines.isEmpty())
        scope += QStringLiteral("\nЗначение в окне → в контроллере:");
    lblScope = new QLabel(scope, this);
    lblScope->setObjectName(QStringLiteral("lblScope"));
    lblScope->setTextFormat(Qt::PlainText);

    mDifferences = new QPlainTextEdit(this);
    mDifferences->setObjectName(QStringLiteral("mDifferences"));
    mDifferences->setReadOnly(true);
    mDifferences->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    mDifferences->setPlainText(lines.isEmpty() ? QStringLiteral("Нет различий") : lines.join(u'\n'));

    btnCopy = new QPushButton(QStringLiteral("Копировать"), this);
    btnCopy->setObjectName(QStringLiteral("btnCopy"));
    btnCopy->setAutoDefault(false);
    connect(btnCopy, &QPushButton::clicked, this, &TfmCompare::btnCopyClick);
    // Enter, Escape and the title bar's button close it as well.
    btnClose = new QPushButton(QStringLiteral("Закрыть"), this);
    btnClose->setObjectName(QStringLiteral("btnClose"));
    btnClose->setDefault(true);
    connect(btnClose, &QPushButton::clicked, this, &QDialog::accept);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(btnCopy);
    buttons->addWidget(btnClose);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(lblScope);
    layout->addWidget(mDifferences, 1);
    layout->addLayout(buttons);
    // The list takes Ctrl+A and Ctrl+C from the start.
    mDifferences->setFocus();
}

QString TfmCompare::ScopeText(const QList<int> &TankNos)
{
    QString text = QStringLiteral("Сравнены: конфигурация");
    if (TankNos.size() == 1)
        text += QStringLiteral(", таблица резервуара %1").arg(TankNos.first());
    if (TankNos.size() > 1) {
        QStringList numbers;
        for (const int tankNo : TankNos)
            numbers << QString::number(tankNo);
        text += QStringLiteral(", таблицы резервуаров ") + numbers.join(QStringLiteral(", "));
    }
    return text + u'.';
}

void TfmCompare::btnCopyClick()
{
    QGuiApplication::clipboard()->setText(mDifferences->toPlainText());
}
