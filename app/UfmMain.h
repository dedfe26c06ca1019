// The main window: toolbar, the configuration pages chosen through a tree,
// the terminal page, and the status bar showing the state of the link.
//
// The window owns the terminal and reopens it every five seconds while it
// is closed, and at once after every close outside shutdown. Controller
// exchanges wait inside their action's handler by running nested event
// loops; a close of the window meanwhile is carried out once the action has
// finished.
#pragma once

#include "StationFileDialog.h"
#include "calibration/TankTable.h"

#include <QMainWindow>
#include <QTimer>
#include <functional>
#include <memory>

class QAction;
class QLabel;
class QStackedWidget;
class QTabWidget;
class QTreeWidget;
class QTreeWidgetItem;
class TConfigPages;
class TExchangeLine;
class TExchangeProgress;
class TTerminal;
class TTerminalConfig;
class TTerminalPage;

class TfmMain : public QMainWindow
{
    Q_OBJECT

public:
    explicit TfmMain(QWidget *parent = nullptr);
    ~TfmMain() override;

    TTerminal &Terminal() { return *m_terminal; }
    TExchangeLine &Exchanges() { return *m_exchanges; }
    TTerminalConfig &Configuration() { return *m_configuration; }
    QString SettingsPath() const { return m_settingsPath; }

    void LoadSettings();
    void SaveSettings();
    void Timer1Timer();
    void tvConfigChange(QTreeWidgetItem *Node);
    void UpdateActions();
    void pcChange();
    void ClearConfig();
    void LoadFromController();
    void SaveToController();
    void acIcReadExecute();
    void acIcWriteExecute();
    // The pages, as a write takes them, and every table held in memory into
    // a file; nothing is sent to the controller.
    void SaveToFile(const QString &Path);
    // A file's configuration onto the pages, as a read fills them, and its
    // tables into their slots, marked changed; the file is checked whole
    // before anything changes. Nothing is sent to the controller.
    void LoadFromFile(const QString &Path);
    void acFileOpenExecute();
    void acFileSaveExecute();
    void acConfigExecute();
    void DBGridEh1Columns10EditButtonClick();
    void AppendLog(const QByteArray &Text);

    bool Reading = false;

    QAction *acConfig;
    QAction *acIcRead;
    QAction *acIcWrite;
    QAction *acFileOpen;
    QAction *acFileSave;
    QTabWidget *pc;
    QWidget *tsConfig;
    TTerminalPage *tsTerminal;
    QTreeWidget *tvConfig;
    QLabel *lblConfigCaption;
    QStackedWidget *pcConfig;
    // The contents of the six pages of pcConfig.
    TConfigPages *ConfigPages;
    // The calibration tables of the tanks, slot i for tank i + 1.
    TTankTables TankTables;
    QLabel *StatusPanel0;
    QLabel *StatusPanel1;
    // Progress of a running controller operation, after the panels.
    TExchangeProgress *Progress;
    QTimer Timer1;

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void CreateToolBar();
    void CreateStatusBar();
    QWidget *CreateConfigSheet();
    void CreateTree();
    // Runs a user's action: its error goes to the error box, and a close of
    // the window requested meanwhile is carried out afterwards.
    void RunAction(const std::function<void()> &action);
    // Encodes the pages into the configuration, as a write does. Throws
    // TError for an input the configuration cannot take.
    void StorePages();

    std::unique_ptr<TTerminal> m_terminal;
    // One controller operation at a time: the read and write actions, the
    // file actions, the table buttons and the console's send follow it.
    std::unique_ptr<TExchangeLine> m_exchanges;
    std::unique_ptr<TTerminalConfig> m_configuration;
    QString m_settingsPath;
    TStationFileDialog m_fileDialog;
    bool m_shuttingDown = false;
    int m_actionDepth = 0;
    bool m_closePending = false;
};
