// The controller's configuration in memory: the decoded "config" file.
#pragma once

#include "ConfigText.h"

#include <QtGlobal>
#include <array>

struct TTankConfig
{
    quint8 active = 0;
    quint16 fuel_code = 0;
    quint8 adapter_type = 0;
    quint8 adapter_comport_no = 0;
    quint8 adapter_adr = 0;
    qint16 adapter_h0 = 0;
    qint16 hmin = 0;
    qint16 hmax = 0;

    friend bool operator==(const TTankConfig &, const TTankConfig &) = default;
};

struct TNozzleConfig
{
    quint8 active = 0;
    quint8 tank_no = 0;

    friend bool operator==(const TNozzleConfig &, const TNozzleConfig &) = default;
};

struct TPumpConfig
{
    static constexpr int NozzleCount = 4;

    quint8 active = 0;
    quint8 adapter_type = 0;
    quint8 adapter_comport_no = 0;
    quint8 adapter_adr = 0;
    std::array<TNozzleConfig, NozzleCount> nozzles{};

    friend bool operator==(const TPumpConfig &, const TPumpConfig &) = default;
};

// Numeric members keep the low bits of what is stored into them; text
// members keep the first characters up to their capacity.
class TTerminalConfig
{
public:
    static constexpr int TankCount = 6;
    static constexpr int PumpCount = 4;
    static constexpr int GapSize = 116;

    TConfigText<31> apn;
    TConfigText<31> server_name;
    quint16 server_port = 0;
    TConfigText<63> server_dir;
    TConfigText<7> server_login;
    TConfigText<7> server_psw;
    quint16 sync_time = 0;
    TConfigText<7> oper_psw;
    TConfigText<7> admin_psw;
    TConfigText<15> admin_tel;
    std::array<TTankConfig, TankCount> tanks{};
    std::array<TPumpConfig, PumpCount> pumps{};
    quint8 card_sector = 0;
    TConfigText<12> card_psw;

    // The bytes of the image that belong to no field, in image order: kept
    // from the last decoded image and written back unchanged.
    std::array<char, GapSize> gaps{};

    // Empties every field; the gap bytes stay.
    void Clear();

    friend bool operator==(const TTerminalConfig &, const TTerminalConfig &) = default;
};
