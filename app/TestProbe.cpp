#include "TestProbe.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QTabBar>
#include <QTabWidget>
#include <QWidget>

#include <cstdio>
#include <mutex>
#include <thread>
#include <unistd.h>

namespace {

const QString kNone = QStringLiteral("none");

QList<QWidget *> SearchRoots()
{
    if (QWidget *modal = QApplication::activeModalWidget())
        return {modal};
    QList<QWidget *> roots;
    for (QWidget *window : QApplication::topLevelWidgets()) {
        if (window->isVisible())
            roots.append(window);
    }
    return roots;
}

QWidget *FindWidget(const QString &name)
{
    for (QWidget *root : SearchRoots()) {
        if (root->objectName() == name)
            return root;
        const auto widgets = root->findChildren<QWidget *>(name);
        for (QWidget *widget : widgets) {
            if (widget->isVisible())
                return widget;
        }
        // An action shows as the button it is added to.
        if (const auto *action = root->findChild<QAction *>(name)) {
            for (QObject *object : action->associatedObjects()) {
                auto *button = qobject_cast<QAbstractButton *>(object);
                if (button && button->isVisible() && button->window() == root)
                    return button;
            }
        }
    }
    return nullptr;
}

QString Rect(const QWidget *widget, const QRect &local)
{
    if (local.isEmpty() || !widget->rect().intersects(local))
        return kNone;
    const QRect shown = local.intersected(widget->rect());
    const QPoint topLeft = widget->mapToGlobal(shown.topLeft());
    return QStringLiteral("%1 %2 %3 %4").arg(topLeft.x()).arg(topLeft.y()).arg(shown.width()).arg(shown.height());
}

QString CellRect(const QString &viewName, int row, int column)
{
    const auto *view = qobject_cast<QAbstractItemView *>(FindWidget(viewName));
    if (!view)
        return kNone;
    const QModelIndex index = view->model()->index(row, column);
    if (!index.isValid())
        return kNone;
    return Rect(view->viewport(), view->visualRect(index));
}

QString ItemRect(const QString &viewName, const QString &text)
{
    QWidget *widget = FindWidget(viewName);
    if (const auto *tabs = qobject_cast<QTabWidget *>(widget)) {
        for (int i = 0; i < tabs->count(); ++i) {
            if (tabs->tabText(i) == text)
                return Rect(tabs->tabBar(), tabs->tabBar()->tabRect(i));
        }
        return kNone;
    }
    const auto *view = qobject_cast<QAbstractItemView *>(widget);
    if (!view)
        return kNone;
    const QAbstractItemModel *model = view->model();
    const QModelIndexList found = model->match(model->index(0, 0), Qt::DisplayRole, text, 1,
                                               Qt::MatchExactly | Qt::MatchRecursive);
    return found.isEmpty() ? kNone : Rect(view->viewport(), view->visualRect(found.first()));
}

QString CurrentCell(const QString &viewName)
{
    const auto *view = qobject_cast<QAbstractItemView *>(FindWidget(viewName));
    if (!view || !view->currentIndex().isValid())
        return kNone;
    return QStringLiteral("%1 %2").arg(view->currentIndex().row()).arg(view->currentIndex().column());
}

QString ShownText(const QString &name)
{
    const QWidget *widget = FindWidget(name);
    QString text;
    if (const auto *label = qobject_cast<const QLabel *>(widget))
        text = label->text();
    else if (const auto *edit = qobject_cast<const QLineEdit *>(widget))
        text = edit->text();
    else if (const auto *combo = qobject_cast<const QComboBox *>(widget))
        text = combo->currentText();
    else if (const auto *button = qobject_cast<const QAbstractButton *>(widget))
        text = button->text();
    else if (const QVariant plain = widget ? widget->property("plainText") : QVariant(); plain.isValid())
        text = plain.toString(); // a text edit, or a view of its own that shows its text so
    else
        return kNone;
    return text.replace(u'\\', QStringLiteral("\\\\")).replace(u'\n', QStringLiteral("\\n"));
}

// The focus widget's class, after the name of the nearest widget from it
// upwards that has a name of the program's own.
QString FocusName()
{
    const QWidget *focus = QApplication::focusWidget();
    if (!focus)
        return kNone;
    const QWidget *named = focus;
    while (named && (named->objectName().isEmpty() || named->objectName().startsWith(u"qt_")))
        named = named->parentWidget();
    return (named ? named->objectName() : kNone) + u' ' + QString::fromLatin1(focus->metaObject()->className());
}

} // namespace

// What the reading thread shares with the probe: the probe while it lives.
struct TTestProbe::TInput
{
    std::mutex mutex;
    TTestProbe *probe;
};

namespace {

// A query line, handed from the reading thread to the GUI thread.
class TQueryEvent : public QEvent
{
public:
    static QEvent::Type Type()
    {
        static const auto type = QEvent::Type(QEvent::registerEventType());
        return type;
    }

    explicit TQueryEvent(const QByteArray &line) : QEvent(Type()), Line(line) {}

    const QByteArray Line;
};

} // namespace

std::unique_ptr<TTestProbe> TTestProbe::FromEnvironment()
{
    if (qEnvironmentVariableIsEmpty(VariableName))
        return nullptr;
    std::unique_ptr<TTestProbe> probe(new TTestProbe);
    TQueryEvent::Type(); // registered here, on the GUI thread
    std::thread([input = probe->m_input] {
        // The descriptor itself, read() being there in both C libraries:
        // stdin would hold a lock that the C library's exit takes too, and a
        // QObject here would make the thread one of Qt's, whose end as the
        // process exits hangs that exit under wine.
        constexpr int kStandardInput = 0;
        char chunk[256];
        QByteArray pending;
        for (auto got = ::read(kStandardInput, chunk, sizeof chunk); got > 0;
             got = ::read(kStandardInput, chunk, sizeof chunk)) {
            pending.append(chunk, got);
            for (qsizetype end = pending.indexOf('\n'); end >= 0; end = pending.indexOf('\n')) {
                const std::lock_guard lock(input->mutex);
                if (!input->probe)
                    return;
                QCoreApplication::postEvent(input->probe, new TQueryEvent(pending.left(end + 1)));
                pending.remove(0, end + 1);
            }
        }
    }).detach();
    return probe;
}

TTestProbe::TTestProbe() : m_input(std::make_shared<TInput>())
{
    m_input->probe = this;
}

TTestProbe::~TTestProbe()
{
    // Lines handed over but not answered yet go with the object.
    const std::lock_guard lock(m_input->mutex);
    m_input->probe = nullptr;
}

void TTestProbe::customEvent(QEvent *event)
{
    if (event->type() == TQueryEvent::Type())
        Reply(static_cast<TQueryEvent *>(event)->Line);
}

QString TTestProbe::Answer(const QString &query)
{
    const QString command = query.section(u' ', 0, 0);
    const QString rest = query.section(u' ', 1);
    const QStringList words = rest.split(u' ', Qt::SkipEmptyParts);
    if (command == u"widget" && words.size() == 1) {
        const QWidget *widget = FindWidget(words.first());
        return widget ? Rect(widget, widget->rect()) : kNone;
    }
    if (command == u"cell" && words.size() == 3)
        return CellRect(words.at(0), words.at(1).toInt(), words.at(2).toInt());
    if (command == u"item" && words.size() >= 2)
        return ItemRect(words.first(), rest.section(u' ', 1));
    if (command == u"current" && words.size() == 1)
        return CurrentCell(words.first());
    if (command == u"text" && words.size() == 1)
        return ShownText(words.first());
    if (command == u"focus" && words.isEmpty())
        return FocusName();
    return QStringLiteral("error: ") + query;
}

void TTestProbe::Reply(const QByteArray &query)
{
    const QString text = QString::fromUtf8(query).trimmed();
    if (text == u"watch") {
        qApp->installEventFilter(this); // once: a second install only moves it to the front
        WriteLine("ok");
        return;
    }
    WriteLine(Answer(text).toUtf8());
}

void TTestProbe::WriteLine(const QByteArray &line)
{
    const QByteArray bytes = line + '\n';
    std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stdout);
    std::fflush(stdout);
}

// One note however many changes a pass of the event loop brings.
bool TTestProbe::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::Paint:
    case QEvent::Move:
    case QEvent::Resize:
    case QEvent::WindowTitleChange:
    case QEvent::Show:
    case QEvent::Hide:
    case QEvent::WindowActivate:
    case QEvent::WindowDeactivate:
    case QEvent::FocusIn:
    case QEvent::FocusOut:
        if (!m_notePending) {
            m_notePending = true;
            QMetaObject::invokeMethod(this, &TTestProbe::WriteChangeNote, Qt::QueuedConnection);
        }
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

void TTestProbe::WriteChangeNote()
{
    m_notePending = false;
    WriteLine(ChangeNote);
}
