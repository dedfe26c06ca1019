#include "Station.h"

#include "ExchangeProgress.h"
#include "StationFile.h"
#include "calibration/TankTableTransfer.h"
#include "common/Error.h"
#include "common/Settings.h"
#include "config/ConfigImage.h"
#include "config/ConfigTransfer.h"
#include "config/TerminalConfig.h"
#include "terminal/Terminal.h"

#include <QCoreApplication>
#include <QScopeGuard>
#include <QTimer>

#include <algorithm>

TStation::TStation(QObject *parent) : QObject(parent)
{
    m_terminal = std::make_unique<TTerminal>();
    m_terminal->OnOpen = [](TTerminal *) {};
    m_terminal->OnClose = [this](TTerminal *) {
        if (!m_shuttingDown)
            Timer1Timer();
    };
    m_terminal->OnError = [this](TTerminal *, const QString &text) {
        emit statusChanged(QStringLiteral("COM%1 - %2").arg(m_terminal->PortNumber()).arg(text));
    };
    m_terminal->OnData = [this](TTerminal *, const QByteArray &text) { emit dataReceived(text); };
    m_configuration = std::make_unique<TTerminalConfig>();

    m_settingsPath = Settings::FilePath(QCoreApplication::applicationFilePath());
    LoadSettings();

    m_timer1 = new QTimer(this);
    m_timer1->setObjectName(QStringLiteral("Timer1"));
    m_timer1->setInterval(5000);
    connect(m_timer1, &QTimer::timeout, this, &TStation::Timer1Timer);
}

TStation::~TStation()
{
    // No tick from here on, also not from the closed event.
    m_timer1->stop();
    m_shuttingDown = true;
    m_terminal.reset();
    m_configuration.reset();
}

void TStation::Start()
{
    m_timer1->start();
    Timer1Timer();
}

void TStation::LoadSettings()
{
    m_terminal->SetPortNumber(Settings::ReadPort(m_settingsPath));
}

void TStation::SaveSettings()
{
    Settings::WritePort(m_settingsPath, m_terminal->PortNumber());
}

void TStation::Timer1Timer()
{
    try {
        if (!m_terminal->Active())
            m_terminal->Open();
        emit statusChanged(QStringLiteral("COM%1 открыт").arg(m_terminal->PortNumber()));
    } catch (const TError &error) {
        emit statusChanged(error.Message());
    }
}

void TStation::RefuseWhileExchangeRuns() const
{
    if (m_terminal->ExchangeRunning())
        throw TError(QStringLiteral("Терминал занят"));
}

void TStation::SetReading(bool reading)
{
    m_reading = reading;
    emit readingChanged(reading);
}

void TStation::ClearConfig()
{
    emit configurationCleared();
    m_tankTables.Reset();
}

void TStation::LoadFromController()
{
    ClearConfig();
    emit progressBegun(1);
    const auto progressEnd = qScopeGuard([this] { emit progressEnded(); });
    ReadConfig(*m_terminal, *m_configuration);
    emit configurationLoaded();
}

void TStation::ReadFromController()
{
    // Its ClearConfig would empty the tables a running write has yet to send.
    RefuseWhileExchangeRuns();
    SetReading(true);
    const auto readEnd = qScopeGuard([this] { SetReading(false); });
    LoadFromController();
}

void TStation::SaveToController()
{
    // Every command of the write, counted before the first: the image's
    // chunks, "reload", and the chunks of each changed table.
    const auto changedTables = std::count_if(m_tankTables.begin(), m_tankTables.end(),
                                             [](const TankTable &table) { return table.Modified; });
    const int commands = TExchangeProgress::FileWriteCommands(ConfigImage::Size) + 1
                         + int(changedTables) * TExchangeProgress::FileWriteCommands(sizeof(TankTable::Volumes));
    emit progressBegun(commands);
    const auto progressEnd = qScopeGuard([this] { emit progressEnded(); });
    WriteConfig(*m_terminal, *m_configuration);
    WriteBackTankTables(*m_terminal, m_tankTables);
}

TankTable *TStation::OpenTable(int TankNo, int HMax)
{
    TankTable *table = m_tankTables.ForTank(TankNo);
    if (!table)
        return nullptr;
    if (!table->Loaded) {
        // Refused before Reading is touched: its reset below would enable the
        // actions in the middle of a running write.
        RefuseWhileExchangeRuns();
        // One exchange at a time: no read, write or other table meanwhile.
        SetReading(true);
        emit fetchingChanged(true);
        const auto fetchEnd = qScopeGuard([this] {
            emit fetchingChanged(false);
            SetReading(false);
        });
        emit progressBegun(1);
        const auto progressEnd = qScopeGuard([this] { emit progressEnded(); });
        FetchTankTable(*m_terminal, *table);
    }
    table->HMax = HMax;
    return table;
}

void TStation::SaveToFile(const QString &Path)
{
    StationFile::Save(Path, *m_configuration, m_tankTables);
}

void TStation::LoadFromFile(const QString &Path)
{
    const TStationFile file = StationFile::Load(Path);
    ClearConfig();
    *m_configuration = file.Config;
    emit configurationLoaded();
    for (int i = 0; i < TTankTables::Count; ++i) {
        const TankTable &held = file.Tables[i];
        TankTable &slot = m_tankTables[i];
        slot.Loaded = held.Loaded;
        slot.Modified = held.Modified;
        slot.Volumes = held.Volumes;
    }
}

void TStation::ChangePort(int PortNumber)
{
    m_terminal->SetPortNumber(PortNumber);
    // An open link's closed event reopens it on the new number.
    m_terminal->Close();
    SaveSettings();
}
