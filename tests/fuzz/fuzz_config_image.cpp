// The configuration image decoder with answers of any length.
//
// Shorter than the image: TError, the configuration untouched. Otherwise
// the first ConfigImage::Size bytes decode the same into any configuration,
// and encoding the result gives those bytes back with every text cut at its
// first NUL and padded with NUL (all texts but the card password keep a NUL
// in their last byte); numbers and gap bytes come back unchanged.

#include "FuzzSupport.h"
#include "common/Error.h"
#include "config/ConfigImage.h"
#include "config/TerminalConfig.h"

#include <QByteArray>

#include <algorithm>
#include <array>

namespace {

struct TTextField
{
    qsizetype offset;
    qsizetype width;
    bool endsInNul;
};

constexpr std::array<TTextField, 9> kTextFields{{
    {0, 32, true},    // apn
    {32, 32, true},   // server_name
    {66, 64, true},   // server_dir
    {130, 8, true},   // server_login
    {138, 8, true},   // server_psw
    {148, 8, true},   // oper_psw
    {156, 8, true},   // admin_psw
    {164, 16, true},  // admin_tel
    {417, 12, false}, // card_psw
}};

// The image as encoding a decoded Image must give it.
QByteArray Normalized(const QByteArray &image)
{
    QByteArray normal = image.left(ConfigImage::Size);
    for (const TTextField &field : kTextFields) {
        char *text = normal.data() + field.offset;
        const qsizetype width = field.endsInNul ? field.width - 1 : field.width;
        char *end = std::find(text, text + width, '\0');
        std::fill(end, text + field.width, '\0');
    }
    return normal;
}

// A configuration with every member set, to see what a decode leaves.
TTerminalConfig Filled()
{
    TTerminalConfig config;
    config.apn = QByteArray("apn");
    config.server_name = QByteArray("server");
    config.server_port = 1;
    config.server_dir = QByteArray("dir");
    config.server_login = QByteArray("login");
    config.server_psw = QByteArray("psw");
    config.sync_time = 2;
    config.oper_psw = QByteArray("oper");
    config.admin_psw = QByteArray("admin");
    config.admin_tel = QByteArray("tel");
    for (TTankConfig &tank : config.tanks)
        tank = {3, 4, 5, 6, 7, 8, 9, 10};
    for (TPumpConfig &pump : config.pumps) {
        pump = {11, 12, 13, 14, {}};
        pump.nozzles.fill({15, 16});
    }
    config.card_sector = 17;
    config.card_psw = QByteArray("card");
    config.gaps.fill('\x12');
    return config;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *bytes, size_t size)
{
    const QByteArray answer(reinterpret_cast<const char *>(bytes), qsizetype(size));
    static const TTerminalConfig filled = Filled();

    TTerminalConfig intoFilled = filled;
    if (answer.size() < ConfigImage::Size) {
        bool refused = false;
        try {
            ConfigImage::Decode(answer, intoFilled);
        } catch (const TError &error) {
            refused = !error.Message().isEmpty();
        }
        Require(refused, "a short answer is refused with a message");
        Require(intoFilled == filled, "a refused answer leaves the configuration untouched");
        return 0;
    }

    ConfigImage::Decode(answer, intoFilled);
    TTerminalConfig intoEmpty;
    ConfigImage::Decode(answer, intoEmpty);
    Require(intoFilled == intoEmpty, "decoding sets every member");

    const QByteArray image = ConfigImage::Encode(intoEmpty);
    Require(image == Normalized(answer), "encode(decode(x)) is x with its texts cut at NUL");

    TTerminalConfig again;
    ConfigImage::Decode(image, again);
    Require(again == intoEmpty, "decode(encode(decode(x))) == decode(x)");
    return 0;
}
