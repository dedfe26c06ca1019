// What differs between two stations, in the words of the pages: each member
// of the configuration by its page and field, with both values as the pages
// show them ("Резервуары · резервуар 2 · Hmax"); each tank's table by the
// tank and the heights whose volumes differ ("Резервуар 2: высоты 0–30"),
// with the first and last value of each run; the bytes of "config" that no
// page shows counted on one line ("прочие байты конфигурации: 3"). The
// window's write check, the companion's checks and its listings all report
// through here, the window's comparison with the controller and the
// companion's diff included.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

struct TStationImage;

class TStationDifference
{
public:
    // The names of the two sides in a write check: "в окне", "в контроллере".
    struct TSides
    {
        QString ours;
        QString theirs;
    };

    // Both sides' values of a member, or of a run of a table's entries
    // named by its heights (label).
    struct TPart
    {
        QString label;
        QString ours;
        QString theirs;
    };

    // A member at Place on page Page.
    static TStationDifference Member(int Page, const QString &Place, const QString &Ours, const QString &Theirs);
    // Runs of tank TankNo's entries, and how many more the text leaves out;
    // OneHeight when the one run is of one entry.
    static TStationDifference Table(int TankNo, bool OneHeight, const QList<TPart> &Runs, int More);
    // Bytes of "config" that no page shows.
    static TStationDifference OtherBytes(int Count);

    // Where the list puts it: by page, then in image order.
    int Page() const { return m_page; }
    // "Резервуары · резервуар 2 · Hmax: в окне 2500, в контроллере 2000".
    QString Text(const TSides &Sides) const;
    // "Резервуары · резервуар 2 · Hmax: 2500 → 2000".
    QString Text() const;

private:
    QString Render(const std::optional<TSides> &Sides) const;

    int m_page = 0;
    QString m_place;
    QList<TPart> m_parts;
    int m_more = 0;
};

namespace StationComparison {

// The members in which two "config" images differ, each at least
// ConfigImage::Size bytes long (else TError), in the order of the pages;
// then the count of other bytes that differ, when there are any: gap bytes,
// and bytes after the end of a text that reads the same on both sides.
QList<TStationDifference> CompareConfig(const QByteArray &Ours, const QByteArray &Theirs);

// The runs of entries in which two blocks of tank TankNo's table differ,
// none when they do not. Either block may fall short of the table (a short
// read): its missing entries show as "нет данных".
std::optional<TStationDifference> CompareTable(int TankNo, const QByteArray &Ours, const QByteArray &Theirs);

// Everything in which two stations differ: the configurations when either
// side has one (CompareConfig(), so a configuration shorter than
// ConfigImage::Size on either side throws TError), then the table of every
// tank either side covers, in tank order; a table that one side lacks shows
// as "нет данных" there.
QList<TStationDifference> CompareStation(const TStationImage &Ours, const TStationImage &Theirs);

// The differences, one a line, in a write check's form (with Sides) or the
// comparison's (without).
QStringList Lines(const QList<TStationDifference> &Differences, const std::optional<TStationDifference::TSides> &Sides);

} // namespace StationComparison
