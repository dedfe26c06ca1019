// The configuration as JSON, member by member as the configuration's schema
// lists them: each has its key, reads back, and is refused beyond what it
// holds with the error that names it.
#include "ConfigMembers.h"
#include "JsonEdit.h"
#include "station/ConfigJson.h"
#include "station/InputError.h"
#include "config/TerminalConfig.h"

#include <QJsonArray>
#include <QTest>

#include <functional>
#include <limits>

using Setter = std::function<void(TTerminalConfig &)>;
Q_DECLARE_METATYPE(Setter)

class TestConfigJson : public QObject
{
    Q_OBJECT

private slots:
    void everyMember_data();
    void everyMember();
};

void TestConfigJson::everyMember_data()
{
    QTest::addColumn<QStringList>("path");
    QTest::addColumn<Setter>("set");
    QTest::addColumn<QJsonValue>("shown");
    QTest::addColumn<QList<QJsonValue>>("refused"); // values the member cannot hold
    QTest::addColumn<QStringList>("errors");       // the errors they give

    ForEachConfigMember([](const auto &m) {
        using Member = decltype(m.member);
        Setter set;
        QJsonValue shown;
        QList<QJsonValue> refused;
        QStringList errors;
        if constexpr (ConfigSchema::IsNumber<Member>) {
            using T = typename Member::Type;
            const T value = T(0xA5C3); // negative when signed
            set = [reach = m.reach, value](TTerminalConfig &c) { reach(c) = value; };
            shown = int(value);
            const qint64 min = std::numeric_limits<T>::min();
            const qint64 max = std::numeric_limits<T>::max();
            for (const qint64 beyond : {min - 1, max + 1}) {
                refused << double(beyond);
                errors << QStringLiteral("%1: %2 вне пределов %3..%4").arg(m.path).arg(beyond).arg(min).arg(max);
            }
        } else {
            const QByteArray text(Member::capacity, 'x');
            set = [reach = m.reach, text](TTerminalConfig &c) { reach(c) = text; };
            shown = QString::fromLatin1(text);
            refused << QString(Member::capacity + 1, u'x');
            errors << QStringLiteral("%1: длина %2, наибольшая %3").arg(m.path).arg(Member::capacity + 1).arg(Member::capacity);
        }
        refused << QJsonValue::Undefined;
        errors << m.path + QStringLiteral(": отсутствует");
        QTest::newRow(qPrintable(m.path)) << m.jsonPath << set << shown << refused << errors;
    });
}

void TestConfigJson::everyMember()
{
    QFETCH(QStringList, path);
    QFETCH(Setter, set);
    QFETCH(QJsonValue, shown);
    QFETCH(QList<QJsonValue>, refused);
    QFETCH(QStringList, errors);

    TTerminalConfig config;
    set(config);
    const QJsonObject json = ConfigJson::ToJson(config);
    QJsonValue at = json;
    for (const QString &step : path)
        at = at.isArray() ? at.toArray().at(step.toInt()) : at.toObject().value(step);
    QCOMPARE(at, shown);
    QVERIFY(ConfigJson::FromJson(json) == config);

    for (qsizetype i = 0; i < refused.size(); ++i) {
        try {
            ConfigJson::FromJson(With(json, path, refused.at(i)).toObject());
            QFAIL(qPrintable(QStringLiteral("accepted: %1").arg(errors.at(i))));
        } catch (const TInputError &error) {
            QCOMPARE(error.Message(), errors.at(i));
        }
    }
}

QTEST_GUILESS_MAIN(TestConfigJson)
#include "tst_configjson.moc"
