#include "TerminalPage.h"

#include "ErrorBox.h"
#include "LogSearch.h"
#include "TerminalLogView.h"
#include "common/Cp1251.h"
#include "common/Error.h"
#include "common/SaveFile.h"
#include "terminal/Exchange.h"
#include "terminal/ExchangeLine.h"
#include "terminal/Terminal.h"

#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <QStandardPaths>
#include <QToolButton>

namespace {

constexpr int kControlsTop = 331;
constexpr int kControlsHeight = 23;

const QString kLogFilter = QStringLiteral("Журналы (*.log *.txt);;Все файлы (*)");
const QString kSessionLogStart = QStringLiteral("Журнал в файл…");
const QString kSessionLogStop = QStringLiteral("Остановить журнал");
const QString kSessionLogTip = QStringLiteral("Записывать обмен в файл: каждая строка со временем, "
                                              "отправленное (TX) отдельно от принятого (RX)");

// The user's documents, or the home folder where there is no such folder.
QString FirstFolder()
{
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return QFileInfo(documents).isDir() ? documents : QDir::homePath();
}

} // namespace

TTerminalPage::TTerminalPage(TExchangeLine &line, QWidget *parent)
    : QWidget(parent), m_line(line), m_folder(FirstFolder())
{
    mLog = new TTerminalLogView(m_log, this);
    mLog->setObjectName(QStringLiteral("mLog"));
    mLog->setGeometry(8, 8, 737, kControlsTop - 13);
    QFont font(QStringLiteral("Courier"), 8);
    font.setStyleHint(QFont::TypeWriter);
    mLog->setFont(font);

    // The row of controls between the log and the input line.
    const auto place = [](QWidget *widget, const char *name, int left, int width, const QString &tip) {
        widget->setObjectName(QString::fromLatin1(name));
        widget->setGeometry(left, kControlsTop, width, kControlsHeight);
        widget->setToolTip(tip);
    };
    btnSessionLog = new QPushButton(kSessionLogStart, this);
    place(btnSessionLog, "btnSessionLog", 8, 130, kSessionLogTip);
    btnSessionLog->setCheckable(true);
    connect(btnSessionLog, &QPushButton::clicked, this, &TTerminalPage::btnSessionLogClick);

    btnSaveLog = new QPushButton(QStringLiteral("Сохранить журнал…"), this);
    place(btnSaveLog, "btnSaveLog", 142, 130, QStringLiteral("Сохранить в файл всё, что показывает журнал"));
    connect(btnSaveLog, &QPushButton::clicked, this, &TTerminalPage::SaveGuarded);

    btnHex = new QPushButton(QStringLiteral("HEX"), this);
    place(btnHex, "btnHex", 276, 50, QStringLiteral("Принятые байты в шестнадцатеричном виде"));
    btnHex->setCheckable(true);
    connect(btnHex, &QPushButton::toggled, mLog, [this](bool hex) {
        mLog->SetMode(hex ? TTerminalLogView::TMode::Hex : TTerminalLogView::TMode::Text);
    });

    lblFind = new QLabel(this);
    place(lblFind, "lblFind", 330, 148, QString());
    lblFind->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    eFind = new QLineEdit(this);
    place(eFind, "eFind", 482, 206, QString());
    eFind->setPlaceholderText(QStringLiteral("Найти (Ctrl+F)"));
    eFind->setClearButtonEnabled(true);
    eFind->installEventFilter(this);
    connect(eFind, &QLineEdit::textEdited, lblFind, &QLabel::clear);

    const auto findButton = [this, &place](const char *name, int left, Qt::ArrowType arrow, const QString &tip,
                                           bool backward) {
        auto *button = new QToolButton(this);
        place(button, name, left, 25, tip);
        button->setArrowType(arrow);
        connect(button, &QToolButton::clicked, this, [this, backward] { Find(backward); });
        return button;
    };
    btnFindPrev = findButton("btnFindPrev", 692, Qt::UpArrow, QStringLiteral("Найти назад (Shift+F3)"), true);
    btnFindNext = findButton("btnFindNext", 720, Qt::DownArrow, QStringLiteral("Найти далее (F3)"), false);

    const auto shortcut = [this](QKeySequence::StandardKey key, auto handler) {
        new QShortcut(key, this, handler, Qt::WidgetWithChildrenShortcut);
    };
    shortcut(QKeySequence::Find, [this] {
        eFind->setFocus(Qt::ShortcutFocusReason);
        eFind->selectAll();
    });
    shortcut(QKeySequence::FindNext, [this] { Find(false); });
    shortcut(QKeySequence::FindPrevious, [this] { Find(true); });

    cbTx = new QComboBox(this);
    cbTx->setObjectName(QStringLiteral("cbTx"));
    cbTx->setGeometry(8, 360, 705, 21);
    cbTx->setEditable(true);
    cbTx->setInsertPolicy(QComboBox::NoInsert); // the history is kept by btnSendClick
    cbTx->setCompleter(nullptr);                 // what is typed is what is sent
    // The combo box holds the focus and hands keys to its line edit itself.
    cbTx->installEventFilter(this);

    btnSend = new QPushButton(QStringLiteral("..."), this);
    btnSend->setObjectName(QStringLiteral("btnSend"));
    btnSend->setGeometry(720, 360, 25, 21);
    btnSend->setAutoDefault(false);
    connect(btnSend, &QPushButton::clicked, this, &TTerminalPage::SendGuarded);
    connect(&line, &TExchangeLine::exchangeRunningChanged, btnSend,
            [this](bool running) { btnSend->setEnabled(!running); });

    connect(&m_log, &TTerminalLog::appended, &m_sessionLog, &TSessionLog::WriteReceived);
    connect(&m_sessionLog, &TSessionLog::failed, this, &TTerminalPage::SessionLogEnded);
    connect(&line, &TExchangeLine::commandStarted, this, &TTerminalPage::CommandStarted);
    connect(&line, &TExchangeLine::commandFinished, this, [this](const TExchangeStep &, bool succeeded) {
        if (!succeeded)
            m_startedCommand.reset();
    });
}

TTerminalPage::~TTerminalPage()
{
    m_sessionLog.Stop();
    delete mLog; // before the log it shows
}

void TTerminalPage::AppendLog(const QByteArray &Text)
{
    m_log.Append(Text);
}

void TTerminalPage::btnSendClick()
{
    const QString line = cbTx->currentText();
    if (line.isEmpty())
        return;
    {
        // A line typed during a transaction would become part of its answer.
        const TExchange exchange(m_line);
        const QByteArray bytes = Cp1251::fromUnicode(line);
        const QDateTime sentAt = QDateTime::currentDateTime();
        m_line.Terminal().Send(bytes + '\r');
        m_sessionLog.WriteSent(bytes, sentAt);
    }

    for (int i = cbTx->count() - 1; i >= 0; --i) {
        if (cbTx->itemText(i).compare(line, Qt::CaseInsensitive) == 0)
            cbTx->removeItem(i);
    }
    cbTx->insertItem(0, line);
    cbTx->setEditText(QString());
}

void TTerminalPage::SendGuarded()
{
    try {
        btnSendClick();
    } catch (const TError &error) {
        ErrorBox::Show(window(), error.Message());
    }
}

// A command's Send() has returned, or failed and ended the command, before
// the event loop runs again; so a command still started then has gone out.
void TTerminalPage::CommandStarted(const TExchangeStep &step)
{
    if (!m_sessionLog.Active())
        return;
    m_startedCommand = TSentLine{step.Command, QDateTime::currentDateTime()};
    QMetaObject::invokeMethod(this, &TTerminalPage::LogStartedCommand, Qt::QueuedConnection);
}

void TTerminalPage::LogStartedCommand()
{
    if (m_startedCommand)
        m_sessionLog.WriteSent(m_startedCommand->Line, m_startedCommand->Time);
    m_startedCommand.reset();
}

void TTerminalPage::btnSessionLogClick(bool checked)
{
    if (!checked) {
        m_sessionLog.Stop();
        btnSessionLog->setText(kSessionLogStart);
        btnSessionLog->setToolTip(kSessionLogTip);
        return;
    }
    const QString path = ChooseFile(QStringLiteral("Журнал в файл"), ProposedSessionLogName(QDate::currentDate()), false);
    if (path.isEmpty()) {
        btnSessionLog->setChecked(false);
        return;
    }
    if (!m_sessionLog.Start(path)) {
        SessionLogEnded(m_sessionLog.ErrorText());
        return;
    }
    btnSessionLog->setText(kSessionLogStop);
    btnSessionLog->setToolTip(QStringLiteral("Журнал пишется в %1").arg(QDir::toNativeSeparators(path)));
    emit statusMessage(QString());
}

void TTerminalPage::SessionLogEnded(const QString &message)
{
    btnSessionLog->setChecked(false);
    btnSessionLog->setText(kSessionLogStart);
    btnSessionLog->setToolTip(message);
    emit statusMessage(message);
}

void TTerminalPage::btnSaveLogClick()
{
    const QString path = ChooseFile(QStringLiteral("Сохранить журнал"), ProposedSaveName(QDate::currentDate()), true);
    if (path.isEmpty())
        return;
    TSaveFile file(path);
    if (file.Open()) {
        file.Device().setTextModeEnabled(true); // the platform's line ends
        m_log.Write(file.Device());
        if (file.Commit())
            return;
    }
    throw TError(QStringLiteral("Не удалось сохранить журнал в %1: %2")
                     .arg(QDir::toNativeSeparators(path), file.ErrorString()));
}

void TTerminalPage::SaveGuarded()
{
    try {
        btnSaveLogClick();
    } catch (const TError &error) {
        ErrorBox::Show(window(), error.Message());
    }
}

QString TTerminalPage::ChooseFile(const QString &caption, const QString &name, bool confirmOverwrite)
{
    const QFileDialog::Options options = confirmOverwrite ? QFileDialog::Options() : QFileDialog::DontConfirmOverwrite;
    const QString path =
        QFileDialog::getSaveFileName(window(), caption, QDir(m_folder).filePath(name), kLogFilter, nullptr, options);
    if (!path.isEmpty())
        m_folder = QFileInfo(path).absolutePath();
    return path;
}

QString TTerminalPage::ProposedSessionLogName(const QDate &Day)
{
    return QStringLiteral("terminal-%1.log").arg(Day.toString(Qt::ISODate));
}

QString TTerminalPage::ProposedSaveName(const QDate &Day)
{
    return QStringLiteral("terminal-%1.txt").arg(Day.toString(Qt::ISODate));
}

void TTerminalPage::Find(bool backward)
{
    const TLogRange selection = m_log.Selection();
    const TLogPosition from = backward ? selection.Begin : selection.End;
    const std::optional<LogSearch::THit> hit = LogSearch::Find(m_log, eFind->text(), from, backward);
    if (!hit) {
        m_log.SetHit(std::nullopt);
        lblFind->setText(eFind->text().isEmpty() ? QString() : QStringLiteral("Не найдено"));
        return;
    }
    m_log.Select(hit->Range);
    m_log.SetHit(hit->Range);
    mLog->EnsureVisible(hit->Range);
    if (!hit->Wrapped)
        lblFind->clear();
    else
        lblFind->setText(backward ? QStringLiteral("Поиск продолжен с конца")
                                  : QStringLiteral("Поиск продолжен с начала"));
}

bool TTerminalPage::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress) {
        const auto &key = *static_cast<QKeyEvent *>(event);
        if (watched == cbTx)
            cbTxKeyDown(key);
        if (watched == eFind && (key.key() == Qt::Key_Return || key.key() == Qt::Key_Enter)) {
            Find(key.modifiers() & Qt::ShiftModifier);
            return true;
        }
        if (watched == eFind && key.key() == Qt::Key_Escape) {
            m_log.SetHit(std::nullopt);
            lblFind->clear();
            mLog->setFocus(Qt::OtherFocusReason);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void TTerminalPage::cbTxKeyDown(const QKeyEvent &Key)
{
    // Enter with any modifier; the combo box handles the key afterwards.
    if (Key.key() == Qt::Key_Return || Key.key() == Qt::Key_Enter)
        SendGuarded();
}
