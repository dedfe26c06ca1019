#include "UfmConn.h"

#include "NumericEdit.h"
#include "terminal/serial/serial.h"

#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <algorithm>
#include <limits>

namespace {

// "Устройство: <device>", for a link also its final target, and "(нет)" when
// nothing is there.
QString DeviceLine(int portNumber)
{
    const QString device = QString::fromStdString(serial::deviceForPort(portNumber));
    const QFileInfo info(device);
    QString line = QStringLiteral("Устройство: ") + QDir::toNativeSeparators(device);
    if (info.isSymLink()) {
        const QString target = info.exists() ? info.canonicalFilePath() : info.symLinkTarget();
        line += QStringLiteral(" → ") + QDir::toNativeSeparators(target);
    }
    if (!serial::deviceExists(portNumber))
        line += QStringLiteral(" (нет)");
    return line;
}

} // namespace

TfmConn::TfmConn(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint
                          | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("fmConn"));
    setWindowTitle(QStringLiteral("Настройки подключения"));
    setFont(QFont(QStringLiteral("Tahoma"), 8));
    setFixedSize(248, 106);

    Label4 = new QLabel(QStringLiteral("COM порт:"), this);
    Label4->setObjectName(QStringLiteral("Label4"));
    Label4->setGeometry(16, 20, 73, 21);
    Label4->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);

    eComPort = new TNumericEdit(this);
    eComPort->setObjectName(QStringLiteral("eComPort"));
    eComPort->setGeometry(96, 20, 137, 21);
    Label4->setBuddy(eComPort);

    lblDevice = new QLabel(this);
    lblDevice->setObjectName(QStringLiteral("lblDevice"));
    lblDevice->setGeometry(16, 47, 217, 16);
    lblDevice->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);

    btnOk = new QPushButton(QStringLiteral("OK"), this);
    btnOk->setObjectName(QStringLiteral("btnOk"));
    btnOk->setGeometry(72, 72, 75, 25);
    btnOk->setDefault(true);
    connect(btnOk, &QPushButton::clicked, this, &QDialog::accept);

    // Escape and the title bar's close button reject the dialog as well.
    Button2 = new QPushButton(QStringLiteral("Отмена"), this);
    Button2->setObjectName(QStringLiteral("Button2"));
    Button2->setGeometry(160, 72, 75, 25);
    connect(Button2, &QPushButton::clicked, this, &QDialog::reject);

    connect(eComPort, &TNumericEdit::valueChanged, this, &TfmConn::eComPortChange);
    eComPortChange();
}

int TfmConn::PortNumber() const
{
    const qint64 value = eComPort->Value().value_or(0);
    return int(std::clamp<qint64>(value, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

void TfmConn::SetPortNumber(int portNumber)
{
    eComPort->SetValue(portNumber);
}

void TfmConn::eComPortChange()
{
    const bool hasValue = eComPort->Value().has_value();
    btnOk->setEnabled(hasValue);

    const QString line = hasValue ? DeviceLine(PortNumber()) : QString();
    lblDevice->setToolTip(line);
    // Shortened with room to spare for a last glyph that reaches past its
    // advance and for a width that falls between pixels on a scaled screen:
    // the label would cut either.
    const QFontMetrics metrics = lblDevice->fontMetrics();
    const int room = lblDevice->contentsRect().width() - qMax(0, -metrics.minRightBearing()) - 1;
    lblDevice->setText(metrics.elidedText(line, Qt::ElideMiddle, room));
}
