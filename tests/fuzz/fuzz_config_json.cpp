// The station file's configuration JSON over arbitrary documents.
//
// A document is refused with TInputError or gives a configuration that the
// JSON writer turns back into the same object, and that comes back
// unchanged through the controller's image: what a restore accepts is what
// the controller will hold.

#include "FuzzSupport.h"
#include "config/ConfigImage.h"
#include "config/TerminalConfig.h"
#include "station/ConfigJson.h"
#include "station/InputChecks.h"
#include "station/InputError.h"

#include <QByteArray>
#include <QJsonObject>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *bytes, size_t size)
{
    const QByteArray document(reinterpret_cast<const char *>(bytes), qsizetype(size));
    TTerminalConfig config;
    QJsonObject object;
    try {
        object = InputChecks::ParseJsonObject(document, QStringLiteral("input"));
        config = ConfigJson::FromJson(object);
    } catch (const TInputError &error) {
        Require(!error.Message().isEmpty(), "a refusal says why");
        return 0;
    }

    Require(ConfigJson::ToJson(config) == object, "an accepted object is what the writer gives");
    Require(ConfigJson::FromJson(ConfigJson::ToJson(config)) == config, "the JSON round trip keeps the configuration");

    TTerminalConfig decoded;
    ConfigImage::Decode(ConfigImage::Encode(config), decoded);
    Require(decoded == config, "an accepted configuration survives the image");
    return 0;
}
