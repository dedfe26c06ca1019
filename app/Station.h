// The station as the tool holds it: the link to its controller, its
// configuration and its calibration tables, and the operations that move
// them between the controller, a file and the pages. No widget: the window
// shows what the signals report and hands the pages' input in.
//
// The station owns the terminal and reopens it every five seconds while it
// is closed, and at once after every close outside shutdown. Controller
// exchanges wait inside the operation by running nested event loops.
#pragma once

#include "calibration/TankTable.h"
#include "station/StationComparison.h"

#include <QObject>
#include <functional>
#include <memory>

class QTimer;
class TExchangeLine;
class TTerminal;
class TTerminalConfig;

// What a comparison with the controller found.
struct TControllerComparison
{
    QList<int> TankNos; // the tables compared besides the configuration
    QList<TStationDifference> Differences; // the window's value first
};

class TStation : public QObject
{
    Q_OBJECT

public:
    // Reads the port number from the settings file; the link stays closed
    // until Start().
    explicit TStation(QObject *parent = nullptr);
    // Stops the timer first: the terminal's closed event then ticks no more.
    ~TStation() override;

    TTerminal &Terminal() { return *m_terminal; }
    // One controller operation at a time: whatever starts one follows it.
    TExchangeLine &Exchanges() { return *m_exchanges; }
    // The pages store into it before SaveToController() and SaveToFile().
    TTerminalConfig &Configuration() { return *m_configuration; }
    // Slot i for tank i + 1.
    TTankTables &TankTables() { return m_tankTables; }
    QString SettingsPath() const { return m_settingsPath; }
    // Whether the user changed something since the last read, write, file
    // open or file save: the pages, a table saved in the editor with another
    // value, or a file opened and not yet written to the controller. A read,
    // a file open and the window's end would drop it.
    bool UnsavedChanges() const { return m_unsavedChanges; }
    // What the last operation achieved, when it has something to say ("Записано
    // и проверено"); empty from the start of the next operation or exchange.
    const QString &Outcome() const { return m_outcome; }

    // The user has started something else: the last outcome is over.
    void ClearOutcome() { SetOutcome({}); }

    // Starts the reconnect timer and ticks at once.
    void Start();
    // Stops the reconnect timer; a close outside shutdown still reopens the
    // link at once.
    void Stop();
    // The reconnect tick: opens a closed terminal; the outcome goes to
    // statusChanged.
    void Timer1Timer();

    // Resets the table slots and has the pages emptied; nothing is unsaved
    // then.
    void ClearConfig();
    // The read action: ClearConfig, then "config" into the configuration,
    // which the pages are given to show; the line is held throughout.
    // Throws "Терминал занят" while another operation runs, leaving
    // everything as it was, or the read's TError, leaving the pages and slots
    // empty and the configuration unchanged.
    void ReadFromController();
    // Writes the configuration, reads it back and compares, then "reload";
    // then each changed table, read back after its block. The outcome then
    // says the write was checked and what the controller answered to
    // "reload". Throws TError: "Терминал занят" while another operation
    // runs, or a difference named in the pages' words, which leaves
    // "reload" unsent when it is in "config", and that table and every
    // later one marked changed. Once written and checked, nothing is
    // unsaved, unless the user changed something while the write ran.
    void SaveToController();
    // Reads "config" and the block of every Loaded table from the
    // controller and compares them with Pages (the pages as a write encodes
    // them) and the tables held, the window's value first. Sends nothing
    // else and changes nothing held: the configuration, the tables and their
    // marks, what is unsaved. Throws TError: "Терминал занят" while another
    // operation runs, the read's error, or a "config" too short to compare.
    TControllerComparison CompareWithController(const TTerminalConfig &Pages);
    // The slot of tank TankNo, its table read from the controller first
    // when it has not been, its HMax set to HMax; nullptr, with no slot
    // touched, when there is no such tank. Throws TError from the read,
    // leaving the slot as it was.
    TankTable *OpenTable(int TankNo, int HMax);
    // OpenTable, then Edit given the slot (the editor); a value changed
    // there is an unsaved change. Nothing happens when there is no slot.
    void EditTable(int TankNo, int HMax, const std::function<void(TankTable &)> &Edit);
    // The user changed something the window holds: a box or a cell of the
    // pages.
    void UserChanged();

    // The configuration and every table held in memory into a file; nothing
    // is sent to the controller. Nothing is unsaved then; the tables stay
    // marked changed for the next write.
    void SaveToFile(const QString &Path);
    // A file's configuration, as a read gives it, and its tables into their
    // slots, marked changed; the file is checked whole before anything
    // changes. Nothing is sent to the controller: what the file brought is
    // unsaved until a write.
    void LoadFromFile(const QString &Path);

    // The connection dialog's number: the terminal takes it and closes (its
    // closed event reopens it there), then the settings file. Throws TError
    // "Unable to write to <path>" when the file cannot be written.
    void ChangePort(int PortNumber);

signals:
    // For the first panel of the status bar.
    void statusChanged(const QString &text);
    // Every chunk the terminal receives.
    void dataReceived(const QByteArray &text);
    // The pages are to be emptied.
    void configurationCleared();
    // The pages are to show Configuration().
    void configurationLoaded();
    void unsavedChangesChanged(bool unsaved);
    void outcomeChanged(const QString &text);

private:
    void LoadSettings();
    void SaveSettings();
    void SetUnsavedChanges(bool unsaved);
    void SetOutcome(const QString &text);

    std::unique_ptr<TTerminal> m_terminal;
    std::unique_ptr<TExchangeLine> m_exchanges; // refers to the terminal
    std::unique_ptr<TTerminalConfig> m_configuration;
    TTankTables m_tankTables;
    QString m_settingsPath;
    QTimer *m_timer1;
    bool m_unsavedChanges = false;
    // Counts the user's changes: a write clears the mark only when none was
    // made while it ran, since those are not in the controller.
    quint64 m_changeCount = 0;
    QString m_outcome;
    bool m_shuttingDown = false;
};
