// The main window: toolbar, the configuration pages chosen through a tree,
// the terminal page, and the status bar showing the state of the link.
//
// The window builds and wires the widgets; the station behind it holds the
// link, the configuration and the tables. Controller exchanges wait inside
// their action's handler by running nested event loops; a close of the
// window meanwhile is carried out once the action has finished. The title
// marks unsaved changes (the station's), and a read, a file open or a close
// asks first what becomes of them.
#pragma once

#include "StationFileDialog.h"

#include <QMainWindow>
#include <functional>
#include <memory>

class QAction;
class QLabel;
class QStackedWidget;
class QTabWidget;
class QTreeWidget;
class QTreeWidgetItem;
class TConfigPages;
class TExchangeProgress;
class TStation;
class TTerminalPage;

class TfmMain : public QMainWindow
{
    Q_OBJECT

public:
    explicit TfmMain(QWidget *parent = nullptr);
    ~TfmMain() override;

    TStation &Station() { return *m_station; }

    void tvConfigChange(QTreeWidgetItem *Node);
    void UpdateActions();
    void pcChange();
    void acIcReadExecute();
    void acIcWriteExecute();
    void acFileOpenExecute();
    void acFileSaveExecute();
    void acCompareExecute();
    void acConfigExecute();
    void DBGridEh1Columns10EditButtonClick();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void CreateToolBar();
    void CreateStatusBar();
    QWidget *CreateConfigSheet();
    void CreateTree();
    void ConnectStation();
    // Runs a user's action: its error goes to the error box, and a close of
    // the window requested meanwhile is carried out afterwards.
    void RunAction(const std::function<void()> &action);
    // Encodes the pages into the configuration, as a write does. Throws
    // TError for an input the configuration cannot take.
    void StorePages();
    // The pages into the configuration, then it and the changed tables
    // into the controller.
    void SaveToController();
    // The pages, as a write takes them, and every table held in memory into
    // a file; nothing is sent to the controller.
    void SaveToFile(const QString &Path);
    // SaveToFile into the file the user chooses; false when the dialog was
    // cancelled. Throws TError when the file cannot be written.
    bool SaveToChosenFile();
    // Before an action that drops the pages and tables: while they hold
    // unsaved changes, asks whether to save them into a file first, let them
    // go, or cancel. True when the action may go on. Throws TError from the
    // save, which then stops the action too.
    bool MayDropChanges();

    std::unique_ptr<TStation> m_station;

    QAction *acConfig;
    QAction *acIcRead;
    QAction *acIcWrite;
    QAction *acFileOpen;
    QAction *acFileSave;
    QAction *acCompare;
    QTabWidget *pc;
    QWidget *tsConfig;
    TTerminalPage *tsTerminal;
    QTreeWidget *tvConfig;
    QLabel *lblConfigCaption;
    QStackedWidget *pcConfig;
    // The contents of the six pages of pcConfig.
    TConfigPages *ConfigPages;
    QLabel *StatusPanel0;
    QLabel *StatusPanel1;
    // Progress of a running controller operation, after the panels.
    TExchangeProgress *Progress;
    // What the last operation achieved (the station's outcome), in the same
    // place once the progress is gone: the reconnect tick writes panel 0.
    QLabel *StatusOutcome;

    TStationFileDialog m_fileDialog;
    int m_actionDepth = 0;
    bool m_closePending = false;
};
