// Every fixed text of the windows shows whole: labels, the page caption,
// group box titles, buttons, tabs, tree nodes and the grids' column titles
// (both levels). Each text is drawn alone, in the font its widget uses and
// at the window's pixel ratio, and the pixels it covers must lie in the room
// the widget's layout and style give it, placed as the widget aligns it.
// So a glyph that reaches past its advance counts, and a text is measured
// as the platform's own font engine draws it.
//
// CTest runs it at 100 %, 125 % and 150 % (QT_SCALE_FACTOR), on Windows
// (under wine) in the real platform with the real Tahoma; on Linux once with
// the face fontconfig chooses for Tahoma and once with Tahoma itself, loaded
// from the font files KOLT_TEST_FONTS lists. With KOLT_SCREENSHOT_DIR set, it
// keeps each window there as an image.
#include "SettingsFile.h"
#include "app/UfmConn.h"
#include "app/UfmMain.h"
#include "calibration/TankTable.h"
#include "calibration/UfmTankCalibration.h"
#include "common/Settings.h"

#include <QAbstractButton>
#include <QDir>
#include <QFontDatabase>
#include <QGroupBox>
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QStyleOption>
#include <QTabBar>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QToolButton>
#include <QTreeWidget>
#include <QtTest>

#include <functional>
#include <memory>

namespace {

constexpr char kFontsVariable[] = "KOLT_TEST_FONTS";
const QString kWindowFamily = QStringLiteral("Tahoma");
// A pixel this dark or darker is part of the text as one sees it; the
// faint edge of anti-aliasing is not.
constexpr int kInkLevel = 160;

// A text where a widget shows it.
struct TShownText
{
    QString where;
    QString text;
    QFont font;
    const QWidget *widget;
    QRect room;                // in the widget's coordinates
    QRect placedIn;            // where the widget aligns the text
    Qt::Alignment alignment;
};

// The device pixels of the window that the text covers when drawn as the
// widget draws it: aligned in its place, at the widget's place in its window
// (on a scaled screen a place can fall between pixels), in the widget's
// font. The image reaches a margin beyond the window on every side.
QRect InkOf(const TShownText &shown, const QPoint &origin, qreal pixelRatio)
{
    const QWidget *window = shown.widget->window();
    const int margin = 4 * QFontMetrics(shown.font).height(); // whole pixels at 125 % and 150 % too
    const QRect canvas = window->rect().adjusted(-margin, -margin, margin, margin);
    QImage image(canvas.size() * pixelRatio, QImage::Format_RGB32);
    image.setDevicePixelRatio(pixelRatio);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.translate(origin + QPoint(margin, margin));
    painter.setFont(shown.font);
    painter.setPen(Qt::black);
    // All of it: a widget's drawText() cuts the text at its place.
    painter.drawText(shown.placedIn, int(shown.alignment) | Qt::TextDontClip, shown.text);
    painter.end();

    // Only around the widget: it cannot draw elsewhere.
    const QRect area = QRect(origin, shown.widget->size()).adjusted(-margin, -margin, margin, margin);
    const QRect scanned = QRect(QPoint(area.topLeft() + QPoint(margin, margin)) * pixelRatio, area.size() * pixelRatio)
                              .intersected(image.rect());
    QRect ink;
    for (int y = scanned.top(); y <= scanned.bottom(); ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        for (int x = scanned.left(); x <= scanned.right(); ++x) {
            const QRgb pixel = line[x];
            if (qMin(qRed(pixel), qMin(qGreen(pixel), qBlue(pixel))) <= kInkLevel)
                ink |= QRect(x, y, 1, 1);
        }
    }
    return ink.translated(-QPoint(margin, margin) * pixelRatio);
}

// The device pixels of the window that a rectangle of a widget touches.
QRect DevicePixels(const QRectF &rect, qreal pixelRatio)
{
    const QPoint topLeft(qFloor(rect.left() * pixelRatio), qFloor(rect.top() * pixelRatio));
    const QPoint end(qCeil((rect.left() + rect.width()) * pixelRatio), qCeil((rect.top() + rect.height()) * pixelRatio));
    return QRect(topLeft, end - QPoint(1, 1));
}

QString Range(int first, int last, qreal pixelRatio)
{
    return QStringLiteral("%1..%2").arg(first / pixelRatio, 0, 'f', 1).arg((last + 1) / pixelRatio, 0, 'f', 1);
}

// Empty when the text shows whole, else what is cut and by how much.
QString Clipped(const TShownText &shown)
{
    if (shown.text.trimmed().isEmpty()) // a blank title: nothing to cut
        return {};
    const QWidget *window = shown.widget->window();
    const qreal pixelRatio = window->devicePixelRatioF();
    const QPoint origin = shown.widget->mapTo(window, QPoint());
    const QRect ink = InkOf(shown, origin, pixelRatio);
    const QRect room = DevicePixels(QRectF(shown.room.intersected(shown.widget->rect()).translated(origin)), pixelRatio);
    if (ink.isEmpty())
        return QStringLiteral("%1 \"%2\": drawn, it shows nothing").arg(shown.where, shown.text);
    if (room.contains(ink))
        return {};
    return QStringLiteral("%1 \"%2\" (%3 %4 pt): the text covers %5 x %6, its room %7 x %8")
        .arg(shown.where, shown.text, QFontInfo(shown.font).family())
        .arg(shown.font.pointSizeF())
        .arg(Range(ink.left(), ink.right(), pixelRatio), Range(ink.top(), ink.bottom(), pixelRatio),
             Range(room.left(), room.right(), pixelRatio), Range(room.top(), room.bottom(), pixelRatio));
}

QString NameOf(const QWidget *widget)
{
    for (const QWidget *named = widget; named; named = named->parentWidget()) {
        if (!named->objectName().isEmpty() && !named->objectName().startsWith(u"qt_"))
            return named->objectName() + u' ' + QString::fromLatin1(widget->metaObject()->className());
    }
    return QString::fromLatin1(widget->metaObject()->className());
}

void AddLabel(QList<TShownText> &texts, const QLabel *label)
{
    if (label->text().isEmpty() || label->textFormat() == Qt::RichText)
        return;
    const QRect room = label->contentsRect().adjusted(label->margin(), label->margin(), -label->margin(),
                                                       -label->margin());
    texts.append({NameOf(label), label->text(), label->font(), label, room, room,
                  QStyle::visualAlignment(label->layoutDirection(), label->alignment())});
}

void AddButton(QList<TShownText> &texts, const QPushButton *button)
{
    if (button->text().isEmpty())
        return;
    QStyleOptionButton option;
    option.initFrom(button);
    option.text = button->text();
    if (button->isDefault())
        option.features |= QStyleOptionButton::DefaultButton;
    if (button->autoDefault())
        option.features |= QStyleOptionButton::AutoDefaultButton;
    const QRect room = button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button);
    texts.append({NameOf(button), button->text(), button->font(), button, room, room, Qt::AlignCenter});
}

void AddGroupBox(QList<TShownText> &texts, const QGroupBox *box)
{
    if (box->title().isEmpty())
        return;
    QStyleOptionGroupBox option;
    option.initFrom(box);
    option.text = box->title();
    option.lineWidth = 1;
    option.textAlignment = box->alignment();
    option.subControls = QStyle::SC_GroupBoxFrame | QStyle::SC_GroupBoxLabel;
    const QRect label = box->style()->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxLabel, box);
    texts.append({NameOf(box), box->title(), box->font(), box, box->rect(), label,
                  Qt::AlignLeft | Qt::AlignVCenter});
}

void AddTabs(QList<TShownText> &texts, const QTabBar *tabs)
{
    for (int i = 0; i < tabs->count(); ++i) {
        QStyleOptionTab option;
        option.initFrom(tabs);
        option.rect = tabs->tabRect(i);
        option.text = tabs->tabText(i);
        option.shape = tabs->shape();
        option.documentMode = tabs->documentMode();
        const QRect room = tabs->style()->subElementRect(QStyle::SE_TabBarTabText, &option, tabs);
        texts.append({NameOf(tabs) + QStringLiteral(" tab"), tabs->tabText(i), tabs->font(), tabs, room, room,
                      Qt::AlignCenter});
    }
}

void AddTreeNodes(QList<TShownText> &texts, const QTreeWidget *tree)
{
    const QWidget *viewport = tree->viewport();
    const int margin = tree->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, tree) + 1;
    for (QTreeWidgetItemIterator it(const_cast<QTreeWidget *>(tree)); *it; ++it) {
        const QModelIndex index = tree->indexFromItem(*it);
        QRect room = tree->visualRect(index).adjusted(margin, 0, -margin, 0).intersected(viewport->rect());
        room.translate(viewport->mapTo(tree, QPoint()));
        texts.append({NameOf(tree) + QStringLiteral(" node"), (*it)->text(0), tree->font(), tree, room, room,
                      Qt::AlignLeft | Qt::AlignVCenter});
    }
}

// Titles "Top|Bottom" take two rows: the bottom part over its own column,
// the top part over every neighbouring column that shares it.
void AddColumnTitles(QList<TShownText> &texts, const QTableView *grid)
{
    const QHeaderView *header = grid->horizontalHeader();
    const QWidget *viewport = header->viewport();
    const QPoint offset = viewport->mapTo(header, QPoint());
    const auto title = [header](int visual) {
        return header->model()->headerData(header->logicalIndex(visual), Qt::Horizontal).toString();
    };
    const auto top = [&](int visual) { return title(visual).section(u'|', 0, 0, QString::SectionSkipEmpty); };
    // Within the style's margins across, the cell's height down.
    const auto labelRoom = [&](const QRect &cell) {
        QStyleOptionHeader option;
        option.initFrom(header);
        option.rect = cell;
        option.text = QStringLiteral("x");
        const QRect label = header->style()->subElementRect(QStyle::SE_HeaderLabel, &option, header);
        return QRect(label.left(), cell.top(), label.width(), cell.height()).intersected(viewport->rect());
    };
    const int height = viewport->height();
    for (int visual = 0; visual < header->count(); ++visual) {
        const int logical = header->logicalIndex(visual);
        const QRect cell(header->sectionViewportPosition(logical), 0, header->sectionSize(logical), height);
        const QString text = title(visual);
        const QString where = NameOf(grid) + QStringLiteral(" column %1 title").arg(logical + 1);
        if (!text.contains(u'|')) {
            const QRect room = labelRoom(cell).translated(offset);
            texts.append({where, text, header->font(), header, room, room, Qt::AlignCenter});
            continue;
        }
        const QRect bottomRoom = labelRoom(cell.adjusted(0, height / 2, 0, 0)).translated(offset);
        texts.append({where, text.section(u'|', 1), header->font(), header, bottomRoom, bottomRoom,
                      Qt::AlignCenter});
        if (visual > 0 && top(visual - 1) == top(visual))
            continue;
        int last = visual;
        while (last + 1 < header->count() && top(last + 1) == top(visual))
            ++last;
        const int right = header->sectionViewportPosition(header->logicalIndex(last))
                          + header->sectionSize(header->logicalIndex(last));
        const QRect span(cell.left(), 0, right - cell.left(), height / 2);
        const QRect topRoom = labelRoom(span).translated(offset);
        texts.append({where, top(visual), header->font(), header, topRoom, topRoom, Qt::AlignCenter});
    }
}

// The fixed texts of a window's visible widgets. Left out: the status bar's
// messages, which come from the link and the system, and the toolbar's
// buttons, which show pictures.
QList<TShownText> ShownTexts(const QWidget *window)
{
    QList<TShownText> texts;
    const auto widgets = window->findChildren<QWidget *>();
    for (const QWidget *widget : widgets) {
        if (!widget->isVisible() || widget->objectName() == u"StatusPanel0")
            continue;
        if (const auto *label = qobject_cast<const QLabel *>(widget))
            AddLabel(texts, label);
        else if (const auto *button = qobject_cast<const QPushButton *>(widget))
            AddButton(texts, button);
        else if (const auto *box = qobject_cast<const QGroupBox *>(widget))
            AddGroupBox(texts, box);
        else if (const auto *tabs = qobject_cast<const QTabBar *>(widget))
            AddTabs(texts, tabs);
        else if (const auto *tree = qobject_cast<const QTreeWidget *>(widget))
            AddTreeNodes(texts, tree);
        else if (const auto *grid = qobject_cast<const QTableView *>(widget))
            AddColumnTitles(texts, grid);
    }
    return texts;
}

} // namespace

class tst_textsfit : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void windowFont();
    void textsShowWhole_data();
    void textsShowWhole();

private:
    SettingsFile m_settings;
    QTemporaryDir m_ports;
};

void tst_textsfit::initTestCase()
{
    // A port that is not there: the window opens none.
    QVERIFY(m_ports.isValid());
    qputenv("KOLT_TARVO_PORTS", m_ports.path().toLocal8Bit());
    Settings::WritePort(m_settings.Path(), 99);

    const QString fonts = qEnvironmentVariable(kFontsVariable);
    for (const QString &file : fonts.split(QDir::listSeparator(), Qt::SkipEmptyParts))
        QVERIFY2(QFontDatabase::addApplicationFont(file) >= 0, qPrintable(file));
    qInfo("scale %s, fonts %s", qgetenv("QT_SCALE_FACTOR").constData(),
          fonts.isEmpty() ? "of the system" : qPrintable(fonts));
}

// Where Tahoma is there (always on Windows), the window really uses it.
void tst_textsfit::windowFont()
{
    TfmMain window;
    const QString family = QFontInfo(window.font()).family();
    qInfo("the window's font: %s", qPrintable(family));
#ifdef Q_OS_WIN
    const bool expected = true;
#else
    const bool expected = !qEnvironmentVariableIsEmpty(kFontsVariable);
#endif
    if (expected)
        QCOMPARE(family, kWindowFamily);
}

using ShowFunction = std::function<std::unique_ptr<QWidget>(TankTable &)>;

void tst_textsfit::textsShowWhole_data()
{
    QTest::addColumn<ShowFunction>("make"); // the window of the row, before it is shown

    for (const char *node : {"Администрирование", "Карты", "GPRS", "Http", "Резервуары", "ТРК"}) {
        QTest::newRow(node) << ShowFunction([node = QString::fromUtf8(node)](TankTable &) {
            auto window = std::make_unique<TfmMain>();
            auto *tree = window->findChild<QTreeWidget *>(QStringLiteral("tvConfig"));
            const QList<QTreeWidgetItem *> found = tree->findItems(node, Qt::MatchExactly | Qt::MatchRecursive);
            if (found.size() == 1)
                tree->setCurrentItem(found.first());
            return std::unique_ptr<QWidget>(std::move(window));
        });
    }
    QTest::newRow("Терминал") << ShowFunction([](TankTable &) {
        auto window = std::make_unique<TfmMain>();
        window->findChild<QTabWidget *>(QStringLiteral("pc"))->setCurrentIndex(1);
        return std::unique_ptr<QWidget>(std::move(window));
    });
    QTest::newRow("connection dialog") << ShowFunction([](TankTable &) {
        auto dialog = std::make_unique<TfmConn>(nullptr);
        dialog->SetPortNumber(1);
        return std::unique_ptr<QWidget>(std::move(dialog));
    });
    const auto calibration = [](bool chart) {
        return ShowFunction([chart](TankTable &table) {
            table.TankNo = 6;
            table.HMax = 3990;
            for (int k = 0; k < TankTable::EntryCount; ++k)
                table.Volumes[k] = 1000 * k;
            auto dialog = std::make_unique<TfmTankCalibration>(table, nullptr);
            if (chart)
                dialog->findChild<QPushButton *>(QStringLiteral("btnChart"))->click();
            return std::unique_ptr<QWidget>(std::move(dialog));
        });
    };
    QTest::newRow("calibration dialog") << calibration(false);
    QTest::newRow("calibration dialog with its chart") << calibration(true);
}

void tst_textsfit::textsShowWhole()
{
    QFETCH(ShowFunction, make);
    TankTable table;
    const std::unique_ptr<QWidget> window = make(table);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));

    const QList<TShownText> texts = ShownTexts(window.get());
    QVERIFY(!texts.isEmpty());
    QStringList clipped;
    for (const TShownText &shown : texts) {
        const QString fault = Clipped(shown);
        if (!fault.isEmpty())
            clipped.append(fault);
    }
    const QString shots = qEnvironmentVariable("KOLT_SCREENSHOT_DIR");
    if (!shots.isEmpty()) {
        const QString name = QString::fromUtf8(QTest::currentDataTag()).replace(u' ', u'-') + u'-'
                             + qEnvironmentVariable("QT_SCALE_FACTOR", QStringLiteral("1"))
                             + (qEnvironmentVariableIsEmpty(kFontsVariable) ? QString() : QStringLiteral("-tahoma"));
        window->grab().save(QDir(shots).filePath(name + QStringLiteral(".png")));
    }
    QVERIFY2(clipped.isEmpty(), qPrintable(u'\n' + clipped.join(u'\n')));
}

QTEST_MAIN(tst_textsfit)
#include "tst_textsfit.moc"
