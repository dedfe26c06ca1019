#include "ConfigImage.h"

#include "TerminalConfig.h"
#include "common/Error.h"

#include <QtEndian>

#include <algorithm>
#include <array>

namespace {

constexpr qsizetype kTankSlots = 256;
constexpr qsizetype kPumpSlots = 352;
constexpr qsizetype kSlotSize = 16;
constexpr qsizetype kRecordSize = 12;

struct TGap
{
    qsizetype offset;
    qsizetype size;
};

// The unused bytes: the run before the tank slots and the tail of every slot.
constexpr auto kGaps = [] {
    std::array<TGap, 1 + TTerminalConfig::TankCount + TTerminalConfig::PumpCount> gaps{};
    gaps[0] = {180, kTankSlots - 180};
    for (int i = 0; i < TTerminalConfig::TankCount + TTerminalConfig::PumpCount; ++i)
        gaps[1 + i] = {kTankSlots + kSlotSize * i + kRecordSize, kSlotSize - kRecordSize};
    return gaps;
}();

static_assert([] {
    qsizetype total = 0;
    for (const TGap &gap : kGaps)
        total += gap.size;
    return total == TTerminalConfig::GapSize;
}());

// Field offsets and widths of the top level.
struct TTextField
{
    qsizetype offset;
    qsizetype width;
};
constexpr TTextField kApn{0, 32};
constexpr TTextField kServerName{32, 32};
constexpr qsizetype kServerPort = 64;
constexpr TTextField kServerDir{66, 64};
constexpr TTextField kServerLogin{130, 8};
constexpr TTextField kServerPsw{138, 8};
constexpr qsizetype kSyncTime = 146;
constexpr TTextField kOperPsw{148, 8};
constexpr TTextField kAdminPsw{156, 8};
constexpr TTextField kAdminTel{164, 16};
constexpr qsizetype kCardSector = 416;
constexpr TTextField kCardPsw{417, 12};

// Every text but the card password keeps a NUL in its field's last byte.
static_assert(decltype(TTerminalConfig::apn)::capacity == kApn.width - 1);
static_assert(decltype(TTerminalConfig::server_name)::capacity == kServerName.width - 1);
static_assert(decltype(TTerminalConfig::server_dir)::capacity == kServerDir.width - 1);
static_assert(decltype(TTerminalConfig::server_login)::capacity == kServerLogin.width - 1);
static_assert(decltype(TTerminalConfig::server_psw)::capacity == kServerPsw.width - 1);
static_assert(decltype(TTerminalConfig::oper_psw)::capacity == kOperPsw.width - 1);
static_assert(decltype(TTerminalConfig::admin_psw)::capacity == kAdminPsw.width - 1);
static_assert(decltype(TTerminalConfig::admin_tel)::capacity == kAdminTel.width - 1);
static_assert(decltype(TTerminalConfig::card_psw)::capacity == kCardPsw.width);

// The text members with their fields, in image order.
template<typename Visitor>
void VisitTexts(Visitor &&v)
{
    v(kApn, &TTerminalConfig::apn);
    v(kServerName, &TTerminalConfig::server_name);
    v(kServerDir, &TTerminalConfig::server_dir);
    v(kServerLogin, &TTerminalConfig::server_login);
    v(kServerPsw, &TTerminalConfig::server_psw);
    v(kOperPsw, &TTerminalConfig::oper_psw);
    v(kAdminPsw, &TTerminalConfig::admin_psw);
    v(kAdminTel, &TTerminalConfig::admin_tel);
    v(kCardPsw, &TTerminalConfig::card_psw);
}

class TImageWriter
{
public:
    TImageWriter() : m_image(ConfigImage::Size, '\0') {}

    void Byte(qsizetype offset, quint8 value) { m_image[offset] = char(value); }
    void Word(qsizetype offset, quint16 value)
    {
        qToLittleEndian(value, m_image.data() + offset);
    }
    // Width bytes: the text, then NUL up to the end.
    void Text(const TTextField &field, const QByteArray &text)
    {
        Q_ASSERT(text.size() <= field.width);
        m_image.replace(field.offset, text.size(), text);
    }
    void Bytes(qsizetype offset, const char *bytes, qsizetype size)
    {
        m_image.replace(offset, size, bytes, size);
    }

    const QByteArray &Image() const { return m_image; }

private:
    QByteArray m_image;
};

class TImageReader
{
public:
    explicit TImageReader(const QByteArray &image) : m_image(image) {}

    quint8 Byte(qsizetype offset) const { return quint8(m_image.at(offset)); }
    quint16 Word(qsizetype offset) const
    {
        return qFromLittleEndian<quint16>(m_image.constData() + offset);
    }
    qint16 SignedWord(qsizetype offset) const
    {
        return qFromLittleEndian<qint16>(m_image.constData() + offset);
    }
    // The bytes before the first NUL within the field.
    QByteArray Text(const TTextField &field) const
    {
        const QByteArray bytes = m_image.mid(field.offset, field.width);
        const qsizetype end = bytes.indexOf('\0');
        return end < 0 ? bytes : bytes.left(end);
    }
    const char *Bytes(qsizetype offset) const { return m_image.constData() + offset; }

private:
    const QByteArray &m_image;
};

} // namespace

namespace ConfigImage {

QByteArray Encode(const TTerminalConfig &Config)
{
    TImageWriter w;
    VisitTexts([&](const TTextField &field, auto text) { w.Text(field, (Config.*text).Bytes()); });
    w.Word(kServerPort, Config.server_port);
    w.Word(kSyncTime, Config.sync_time);

    for (int i = 0; i < TTerminalConfig::TankCount; ++i) {
        const TTankConfig &tank = Config.tanks[i];
        const qsizetype at = kTankSlots + kSlotSize * i;
        w.Byte(at + 0, tank.active);
        w.Word(at + 1, tank.fuel_code);
        w.Byte(at + 3, tank.adapter_type);
        w.Byte(at + 4, tank.adapter_comport_no);
        w.Byte(at + 5, tank.adapter_adr);
        w.Word(at + 6, quint16(tank.adapter_h0));
        w.Word(at + 8, quint16(tank.hmin));
        w.Word(at + 10, quint16(tank.hmax));
    }
    for (int j = 0; j < TTerminalConfig::PumpCount; ++j) {
        const TPumpConfig &pump = Config.pumps[j];
        const qsizetype at = kPumpSlots + kSlotSize * j;
        w.Byte(at + 0, pump.active);
        w.Byte(at + 1, pump.adapter_type);
        w.Byte(at + 2, pump.adapter_comport_no);
        w.Byte(at + 3, pump.adapter_adr);
        for (int k = 0; k < TPumpConfig::NozzleCount; ++k) {
            w.Byte(at + 4 + 2 * k, pump.nozzles[k].active);
            w.Byte(at + 5 + 2 * k, pump.nozzles[k].tank_no);
        }
    }
    w.Byte(kCardSector, Config.card_sector);

    const char *gapBytes = Config.gaps.data();
    for (const TGap &gap : kGaps) {
        w.Bytes(gap.offset, gapBytes, gap.size);
        gapBytes += gap.size;
    }
    return w.Image();
}

void Decode(const QByteArray &Image, TTerminalConfig &Config)
{
    if (Image.size() < Size)
        throw TError(QStringLiteral("Конфигурация повреждена: получено %1 байт из %2")
                         .arg(Image.size())
                         .arg(Size));

    const TImageReader r(Image);
    VisitTexts([&](const TTextField &field, auto text) { Config.*text = r.Text(field); });
    Config.server_port = r.Word(kServerPort);
    Config.sync_time = r.Word(kSyncTime);

    for (int i = 0; i < TTerminalConfig::TankCount; ++i) {
        TTankConfig &tank = Config.tanks[i];
        const qsizetype at = kTankSlots + kSlotSize * i;
        tank.active = r.Byte(at + 0);
        tank.fuel_code = r.Word(at + 1);
        tank.adapter_type = r.Byte(at + 3);
        tank.adapter_comport_no = r.Byte(at + 4);
        tank.adapter_adr = r.Byte(at + 5);
        tank.adapter_h0 = r.SignedWord(at + 6);
        tank.hmin = r.SignedWord(at + 8);
        tank.hmax = r.SignedWord(at + 10);
    }
    for (int j = 0; j < TTerminalConfig::PumpCount; ++j) {
        TPumpConfig &pump = Config.pumps[j];
        const qsizetype at = kPumpSlots + kSlotSize * j;
        pump.active = r.Byte(at + 0);
        pump.adapter_type = r.Byte(at + 1);
        pump.adapter_comport_no = r.Byte(at + 2);
        pump.adapter_adr = r.Byte(at + 3);
        for (int k = 0; k < TPumpConfig::NozzleCount; ++k) {
            pump.nozzles[k].active = r.Byte(at + 4 + 2 * k);
            pump.nozzles[k].tank_no = r.Byte(at + 5 + 2 * k);
        }
    }
    Config.card_sector = r.Byte(kCardSector);

    char *gapBytes = Config.gaps.data();
    for (const TGap &gap : kGaps) {
        std::copy_n(r.Bytes(gap.offset), gap.size, gapBytes);
        gapBytes += gap.size;
    }
}

QByteArray EncodeOver(const QByteArray &Original, const TTerminalConfig &Config)
{
    TTerminalConfig read;
    Decode(Original, read);
    TTerminalConfig merged = Config;
    merged.gaps = read.gaps;
    QByteArray image = Encode(merged);
    // Numbers and gaps come back as they were; a text that Config leaves as
    // it was read keeps its bytes too: a text that fills its field, and
    // whatever stands after its NUL.
    VisitTexts([&](const TTextField &field, auto text) {
        if (Config.*text == read.*text)
            image.replace(field.offset, field.width, Original.constData() + field.offset, field.width);
    });
    return image;
}

} // namespace ConfigImage
