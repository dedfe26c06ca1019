#include "UfmMain.h"

#include "ConfigPages.h"
#include "ErrorBox.h"
#include "ExchangeProgress.h"
#include "Station.h"
#include "TerminalPage.h"
#include "UfmCompare.h"
#include "UfmConn.h"
#include "UnsavedChangesQuestion.h"
#include "calibration/UfmTankCalibration.h"
#include "common/Error.h"
#include "common/Version.h"
#include "config/ConfigPresentation.h"
#include "config/TerminalConfig.h"
#include "terminal/ExchangeLine.h"
#include "terminal/Terminal.h"

#include <QAction>
#include <QCloseEvent>
#include <QFrame>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeySequence>
#include <QLabel>
#include <QScreen>
#include <QStackedWidget>
#include <QStatusBar>
#include <QStyledItemDelegate>
#include <QTabWidget>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

struct NodeInfo
{
    QStringView text; // empty: its page's caption
    int page;
    bool child; // of the last top-level node before it
};

const NodeInfo kNodes[] = {
    {{}, ConfigPage::Admin, false},
    {{}, ConfigPage::Cards, false},
    {u"Связь", ConfigPage::Gprs, false},
    {{}, ConfigPage::Gprs, true},
    {{}, ConfigPage::Http, true},
    {u"Конфигурация АЗС", ConfigPage::Tanks, false},
    {{}, ConfigPage::Tanks, true},
    {{}, ConfigPage::Pumps, true},
};

constexpr int kPageRole = Qt::UserRole; // a node's page index

// Tree rows with room above and below the text, as a Windows tree view
// leaves, so that no glyph of a node is cut at the row's edge.
class TTreeRowDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        constexpr int kPadding = 2;
        return QStyledItemDelegate::sizeHint(option, index) + QSize(0, 2 * kPadding);
    }
};

} // namespace

TfmMain::TfmMain(QWidget *parent)
    : QMainWindow(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                              | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      m_station(std::make_unique<TStation>())
{
    // "[*]": Qt's mark of unsaved changes, shown while the window is modified.
    setWindowTitle(QStringLiteral("%1-%2[*]").arg(QLatin1String(Version::ProgramName), QLatin1String(Version::Number)));
    setFont(QFont(QStringLiteral("Tahoma"), 8));
    setWindowIcon(QIcon(QStringLiteral(":/icons/conn.png")));

    CreateToolBar();
    CreateStatusBar();

    pc = new QTabWidget(this);
    pc->setObjectName(QStringLiteral("pc"));
    tsConfig = CreateConfigSheet();
    tsTerminal = new TTerminalPage(m_station->Exchanges());
    tsTerminal->setObjectName(QStringLiteral("tsTerminal"));
    pc->addTab(tsConfig, QStringLiteral("Конфигурация"));
    pc->addTab(tsTerminal, QStringLiteral("Терминал"));
    connect(pc, &QTabWidget::currentChanged, this, &TfmMain::pcChange);
    setCentralWidget(pc);
    ConnectStation();

    m_station->ClearConfig();
    tvConfig->expandAll();
    tvConfig->setCurrentItem(tvConfig->topLevelItem(0));
    tvConfigChange(tvConfig->currentItem());
    UpdateActions();
    m_station->Start();

    setFixedSize(767, 474);
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

TfmMain::~TfmMain()
{
    // The widgets go before the station, whose exchange line the terminal
    // page sends through and the progress display follows; QWidget's destructor
    // would delete them only after the members.
    delete takeCentralWidget();
    delete statusBar();
    m_station.reset();
}

void TfmMain::ConnectStation()
{
    TStation *station = m_station.get();
    connect(station, &TStation::statusChanged, StatusPanel0, &QLabel::setText);
    // What the last action came to, the station's or the terminal page's,
    // stands beside the link's state, which the reconnect tick rewrites; in
    // full in its tooltip, when it is longer than the room.
    const auto showOutcome = [this](const QString &text) {
        StatusOutcome->setText(text);
        StatusOutcome->setToolTip(text);
    };
    connect(station, &TStation::outcomeChanged, StatusOutcome, showOutcome);
    connect(station, &TStation::dataReceived, tsTerminal, &TTerminalPage::AppendLog);
    connect(tsTerminal, &TTerminalPage::statusMessage, StatusOutcome, showOutcome);
    connect(station, &TStation::configurationCleared, ConfigPages, &TConfigPages::Clear);
    connect(station, &TStation::configurationLoaded, ConfigPages,
            [this] { ConfigPages->Show(m_station->Configuration()); });
    connect(station, &TStation::unsavedChangesChanged, this, &QWidget::setWindowModified);
    connect(ConfigPages, &TConfigPages::edited, station, &TStation::UserChanged);
    connect(&station->Exchanges(), &TExchangeLine::exchangeRunningChanged, this, [this](bool running) {
        UpdateActions();
        ConfigPages->SetTableButtonEnabled(!running);
    });
}

void TfmMain::CreateToolBar()
{
    auto *toolBar = addToolBar(QStringLiteral("ToolBar1"));
    toolBar->setObjectName(QStringLiteral("ToolBar1"));
    toolBar->setMovable(false);
    toolBar->setFloatable(false);
    toolBar->setFixedHeight(40);
    toolBar->setIconSize(QSize(24, 24));
    toolBar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    toolBar->toggleViewAction()->setEnabled(false);
    setContextMenuPolicy(Qt::NoContextMenu);

    auto makeAction = [this](const char *name, const QString &caption, const char *icon) {
        auto *action = new QAction(QIcon(QString::fromLatin1(icon)), caption, this);
        action->setObjectName(QString::fromLatin1(name));
        action->setToolTip(caption);
        return action;
    };
    acConfig = makeAction("acConfig", QStringLiteral("Связь"), ":/icons/conn.png");
    acIcRead = makeAction("acIcRead", QStringLiteral("Считать из контроллера"), ":/icons/read.png");
    acIcWrite = makeAction("acIcWrite", QStringLiteral("Загрузить в контроллер"), ":/icons/write.png");
    acFileOpen = makeAction("acFileOpen", QStringLiteral("Открыть файл"), ":/icons/open.png");
    acFileOpen->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    acFileSave = makeAction("acFileSave", QStringLiteral("Сохранить в файл"), ":/icons/save.png");
    acFileSave->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    acCompare = makeAction("acCompare", QStringLiteral("Сравнить с контроллером"), ":/icons/compare.png");
    connect(acConfig, &QAction::triggered, this, [this] { RunAction([this] { acConfigExecute(); }); });
    connect(acIcRead, &QAction::triggered, this, [this] { RunAction([this] { acIcReadExecute(); }); });
    connect(acIcWrite, &QAction::triggered, this, [this] { RunAction([this] { acIcWriteExecute(); }); });
    connect(acFileOpen, &QAction::triggered, this, [this] { RunAction([this] { acFileOpenExecute(); }); });
    connect(acFileSave, &QAction::triggered, this, [this] { RunAction([this] { acFileSaveExecute(); }); });
    connect(acCompare, &QAction::triggered, this, [this] { RunAction([this] { acCompareExecute(); }); });

    auto addSeparator = [toolBar] {
        auto *separator = new QWidget(toolBar);
        separator->setFixedWidth(8);
        toolBar->addWidget(separator);
    };
    toolBar->addAction(acConfig);
    addSeparator();
    toolBar->addAction(acIcRead);
    toolBar->addAction(acIcWrite);
    addSeparator();
    toolBar->addAction(acFileOpen);
    toolBar->addAction(acFileSave);
    addSeparator();
    toolBar->addAction(acCompare);
    for (QAction *action : {acConfig, acIcRead, acIcWrite, acFileOpen, acFileSave, acCompare}) {
        if (QWidget *button = toolBar->widgetForAction(action))
            button->setFixedSize(31, 30);
    }
}

void TfmMain::CreateStatusBar()
{
    auto *bar = statusBar();
    bar->setObjectName(QStringLiteral("StatusBar1"));
    bar->setFixedHeight(19);
    bar->setSizeGripEnabled(false);
    StatusPanel0 = new QLabel(bar);
    StatusPanel0->setObjectName(QStringLiteral("StatusPanel0"));
    StatusPanel0->setFixedWidth(300);
    StatusPanel1 = new QLabel(bar);
    StatusPanel1->setObjectName(QStringLiteral("StatusPanel1"));
    StatusPanel1->setFixedWidth(50);
    bar->addWidget(StatusPanel0);
    bar->addWidget(StatusPanel1);
    Progress = new TExchangeProgress(m_station->Exchanges(), bar);
    bar->addWidget(Progress, 1);
    StatusOutcome = new QLabel(bar);
    StatusOutcome->setObjectName(QStringLiteral("StatusOutcome"));
    bar->addWidget(StatusOutcome, 1);
}

QWidget *TfmMain::CreateConfigSheet()
{
    auto *sheet = new QWidget;
    sheet->setObjectName(QStringLiteral("tsConfig"));
    auto *layout = new QHBoxLayout(sheet);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    CreateTree();
    layout->addWidget(tvConfig);

    auto *panel = new QWidget;
    panel->setObjectName(QStringLiteral("Panel1"));
    auto *panelLayout = new QVBoxLayout(panel);
    panelLayout->setContentsMargins(0, 0, 0, 0);
    panelLayout->setSpacing(0);

    auto *strip = new QFrame;
    strip->setObjectName(QStringLiteral("Shape1"));
    strip->setFixedHeight(25);
    strip->setAutoFillBackground(true);
    QPalette stripPalette = strip->palette();
    // Windows 7's default inactive caption colour (COLOR_INACTIVECAPTION),
    // fixed: QPalette has no role for a caption, so the strip looks the same
    // on every platform.
    stripPalette.setColor(QPalette::Window, QColor(0xBF, 0xCD, 0xDB));
    strip->setPalette(stripPalette);
    auto *stripLayout = new QHBoxLayout(strip);
    stripLayout->setContentsMargins(10, 0, 0, 0);
    lblConfigCaption = new QLabel;
    lblConfigCaption->setObjectName(QStringLiteral("lblConfigCaption"));
    QFont bold = lblConfigCaption->font();
    bold.setBold(true);
    lblConfigCaption->setFont(bold);
    // The whole strip high, so that no glyph of the bold text is cut.
    lblConfigCaption->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    stripLayout->addWidget(lblConfigCaption);
    panelLayout->addWidget(strip);

    pcConfig = new QStackedWidget;
    pcConfig->setObjectName(QStringLiteral("pcConfig"));
    for (const ConfigPresentation::TPage &info : ConfigPresentation::Pages) {
        auto *page = new QWidget;
        page->setObjectName(info.objectName.toString());
        pcConfig->addWidget(page);
    }
    auto page = [this](int index) { return pcConfig->widget(index); };
    ConfigPages = new TConfigPages({page(0), page(1), page(2), page(3), page(4), page(5)}, this);
    ConfigPages->setObjectName(QStringLiteral("ConfigPages"));
    connect(ConfigPages, &TConfigPages::tableButtonClicked, this,
            [this] { RunAction([this] { DBGridEh1Columns10EditButtonClick(); }); });
    panelLayout->addWidget(pcConfig, 1);
    layout->addWidget(panel, 1);
    return sheet;
}

void TfmMain::CreateTree()
{
    tvConfig = new QTreeWidget;
    tvConfig->setObjectName(QStringLiteral("tvConfig"));
    tvConfig->setFixedWidth(185);
    tvConfig->setIndentation(19);
    tvConfig->setHeaderHidden(true);
    tvConfig->setItemDelegate(new TTreeRowDelegate(tvConfig));
    tvConfig->setRootIsDecorated(true);
    // Keep the selection highlighted while the tree has no focus.
    QPalette palette = tvConfig->palette();
    palette.setColor(QPalette::Inactive, QPalette::Highlight,
                     palette.color(QPalette::Active, QPalette::Highlight));
    palette.setColor(QPalette::Inactive, QPalette::HighlightedText,
                     palette.color(QPalette::Active, QPalette::HighlightedText));
    tvConfig->setPalette(palette);

    QTreeWidgetItem *parent = nullptr;
    for (const NodeInfo &node : kNodes) {
        const QStringList text{
            (node.text.isEmpty() ? ConfigPresentation::Pages[node.page].caption : node.text).toString()};
        auto *item = node.child ? new QTreeWidgetItem(parent, text) : new QTreeWidgetItem(tvConfig, text);
        item->setData(0, kPageRole, node.page);
        if (!node.child)
            parent = item;
    }
    connect(tvConfig, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem *current) { tvConfigChange(current); });
}

void TfmMain::tvConfigChange(QTreeWidgetItem *Node)
{
    if (!Node)
        Node = tvConfig->topLevelItem(0);
    pcConfig->setCurrentIndex(Node->data(0, kPageRole).toInt());
    lblConfigCaption->setText(ConfigPresentation::Pages[pcConfig->currentIndex()].caption.toString());
}

void TfmMain::UpdateActions()
{
    // A read, like every other operation, holds the line throughout.
    const bool enabled = !m_station->Exchanges().ExchangeRunning() && pc->currentWidget() == tsConfig;
    for (QAction *action : {acIcRead, acIcWrite, acFileOpen, acFileSave, acCompare})
        action->setEnabled(enabled);
}

void TfmMain::pcChange()
{
    UpdateActions();
}

void TfmMain::StorePages()
{
    ConfigPages->Store(m_station->Configuration());
}

void TfmMain::SaveToController()
{
    StorePages();
    m_station->SaveToController();
}

void TfmMain::acIcReadExecute()
{
    if (MayDropChanges())
        m_station->ReadFromController();
}

void TfmMain::acIcWriteExecute()
{
    // The running write disables the actions itself, through its exchange.
    SaveToController();
}

void TfmMain::SaveToFile(const QString &Path)
{
    StorePages();
    m_station->SaveToFile(Path);
}

bool TfmMain::SaveToChosenFile()
{
    const QString path = m_fileDialog.Choose(this, TStationFileDialog::TPurpose::Save, acFileSave->text());
    if (path.isEmpty())
        return false;
    SaveToFile(path);
    return true;
}

bool TfmMain::MayDropChanges()
{
    // A value typed into a cell counts before its editor has closed.
    ConfigPages->FinishEdits();
    if (!m_station->UnsavedChanges())
        return true;
    switch (UnsavedChangesQuestion::Ask(this)) {
    case UnsavedChangesQuestion::TAnswer::SaveToFile:
        return SaveToChosenFile();
    case UnsavedChangesQuestion::TAnswer::Discard:
        return true;
    case UnsavedChangesQuestion::TAnswer::Cancel:
        break;
    }
    return false;
}

void TfmMain::acFileOpenExecute()
{
    if (!MayDropChanges())
        return;
    const QString path = m_fileDialog.Choose(this, TStationFileDialog::TPurpose::Open, acFileOpen->text());
    if (!path.isEmpty())
        m_station->LoadFromFile(path);
}

void TfmMain::acFileSaveExecute()
{
    SaveToChosenFile();
}

void TfmMain::acCompareExecute()
{
    // The pages as a write encodes them, into a copy: the configuration
    // held and the grids' current rows stay as they are, also when a field
    // is refused.
    TTerminalConfig pages = m_station->Configuration();
    ConfigPages->Store(pages, TConfigPages::TRows::Keep);
    TfmCompare dialog(m_station->CompareWithController(pages), this);
    dialog.exec();
}

void TfmMain::acConfigExecute()
{
    {
        TfmConn fmConn(this);
        fmConn.SetPortNumber(m_station->Terminal().PortNumber());
        if (fmConn.exec() == QDialog::Accepted)
            m_station->ChangePort(fmConn.PortNumber());
    } // the dialog is gone here, also when a step above threw
    m_station->Timer1Timer();
}

void TfmMain::DBGridEh1Columns10EditButtonClick()
{
    // Tank number and height are both taken before the fetch, so that they
    // come from the same row.
    const std::optional<TTankRow> row = ConfigPages->CurrentTank();
    if (row)
        m_station->EditTable(row->no, row->hmax,
                             [this](TankTable &table) { TfmTankCalibration::EditTankTable(table, this); });
}

void TfmMain::RunAction(const std::function<void()> &action)
{
    // Also an action that fails before it reaches the station ends what the
    // status bar says of the last one.
    m_station->ClearOutcome();
    ++m_actionDepth;
    try {
        action();
    } catch (const TError &error) {
        ErrorBox::Show(this, error);
    }
    if (--m_actionDepth == 0 && m_closePending)
        QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
}

void TfmMain::closeEvent(QCloseEvent *event)
{
    // An exchange waits in a nested loop below us: close once it is over.
    if (m_actionDepth > 0) {
        m_closePending = true;
        event->ignore();
        return;
    }
    m_closePending = false; // carried out now, or cancelled by the answer
    bool mayClose = false;
    RunAction([&] { mayClose = MayDropChanges(); });
    if (!mayClose) {
        event->ignore();
        return;
    }
    QMainWindow::closeEvent(event);
}
