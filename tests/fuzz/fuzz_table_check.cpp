// The calibration editor's line check over arbitrary editor text.
//
// The text goes into the editor and its lines to CheckTableLines as the
// dialog hands them over. The result must match a model of the documented
// rules built on Qt's own number parsing: accepted tables rise strictly over
// their non-empty lines, and an error names the first bad line, one that
// exists in the editor, as "#<10·line>: <reason>".

#include "FuzzSupport.h"
#include "OffscreenApplication.h"
#include "calibration/CalibrationEditor.h"
#include "calibration/TableText.h"
#include "calibration/TankTable.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <QRegularExpression>
#include <QStringList>

#include <optional>

namespace {

const QString kBadInput = QStringLiteral("Ошибка ввода");
const QString kNotRising = QStringLiteral("Значение должно быть больше предыдущего");

// A line's number with blanks removed: decimal within qint32, or a 32-bit
// pattern in hexadecimal after one of the prefixes.
std::optional<qint32> ReferenceNumber(const QString &text)
{
    static const QRegularExpression decimal(QStringLiteral("^([+-]?)([0-9]+)$"));
    static const QRegularExpression hex(QStringLiteral("^([+-]?)(?:\\$|x|X|0x|0X)([0-9a-fA-F]+)$"));

    bool ok = false;
    if (const QRegularExpressionMatch m = decimal.match(text); m.hasMatch()) {
        const qint64 magnitude = qint64(m.captured(2).toULongLong(&ok));
        const qint64 value = m.captured(1) == u"-" ? -magnitude : magnitude;
        if (!ok || magnitude < 0 || value < INT32_MIN || value > INT32_MAX)
            return std::nullopt;
        return qint32(value);
    }
    if (const QRegularExpressionMatch m = hex.match(text); m.hasMatch()) {
        const quint64 pattern = m.captured(2).toULongLong(&ok, 16);
        if (!ok || pattern > 0xFFFFFFFFu)
            return std::nullopt;
        const quint32 bits = quint32(pattern);
        return qint32(m.captured(1) == u"-" ? 0u - bits : bits);
    }
    return std::nullopt;
}

void CheckAgainstModel(const QStringList &lines, int lineCount, int editorLines, const TTableCheck &check)
{
    qint32 previous = 0;
    for (int i = 0; i < lineCount; ++i) {
        QString text = lines.value(i);
        text.remove(u' ').remove(QChar::Nbsp);
        if (text.isEmpty()) {
            Require(check.Values.size() > i && !check.Values[i], "an empty line has no value");
            continue;
        }
        const std::optional<qint32> value = ReferenceNumber(text);
        const bool unreadable = !value || *value == -1;
        if (unreadable || (i > 0 && *value <= previous)) {
            Require(check.ErrorLine == i, "the error names the first bad line");
            Require(i < editorLines, "the error names a line of the editor");
            Require(check.Values.size() == i, "values of the lines before the error");
            const QString prefix = QStringLiteral("#%1: ").arg(qint64(i) * 10);
            Require(check.ErrorText == prefix + (unreadable ? kBadInput : kNotRising), "the error text");
            return;
        }
        Require(check.Values.size() > i && check.Values[i] == value, "the value of a good line");
        previous = *value;
    }
    Require(check.ErrorLine == -1 && check.ErrorText.isEmpty(), "a table of good lines is accepted");
    Require(check.Values.size() == lineCount, "a value entry for every line");
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    StartOffscreenApplication(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *bytes, size_t size)
{
    static TCalibrationEditor editor;

    FuzzedDataProvider data(bytes, size);
    const int lineCount = data.ConsumeIntegralInRange(0, TankTable::EntryCount);
    editor.setPlainText(QString::fromStdString(data.ConsumeRemainingBytesAsString()));

    QStringList lines;
    for (int i = 0; i < lineCount; ++i)
        lines.append(editor.Line(i));
    const TTableCheck check = CheckTableLines(lines, lineCount);
    CheckAgainstModel(lines, lineCount, editor.LineCount(), check);

    editor.ClearLineData();
    if (check.ErrorLine >= 0) {
        editor.SetErrorMark(check.ErrorLine);
        editor.SetCaretLine(check.ErrorLine);
        Require(editor.HasErrorMark(check.ErrorLine), "the bad line carries the mark");
    }
    return 0;
}
