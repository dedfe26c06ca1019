// The test probe: its answers about a window of named widgets, asked
// directly and of the real program on its standard streams, and its absence
// without the variable.
#include "app/TestProbe.h"

#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QStandardItemModel>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QVBoxLayout>
#include <QtTest>

#include <functional>
#include <memory>

namespace {

QString RectText(const QWidget *widget, const QRect &local)
{
    const QPoint topLeft = widget->mapToGlobal(local.topLeft());
    return QStringLiteral("%1 %2 %3 %4").arg(topLeft.x()).arg(topLeft.y()).arg(local.width()).arg(local.height());
}

} // namespace

class tst_testprobe : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void answer_data();
    void answer();
    void answersOnTheStandardStreams();
    void noneWithoutTheVariable();

private:
    std::unique_ptr<QWidget> m_window;
    QTabWidget *m_tabs = nullptr;
    QTableView *m_grid = nullptr;
    QLineEdit *m_edit = nullptr;
    QLabel *m_label = nullptr;
    QStandardItemModel *m_model = nullptr;
};

void tst_testprobe::init()
{
    m_window = std::make_unique<QWidget>();
    m_tabs = new QTabWidget;
    m_tabs->setObjectName(QStringLiteral("pages"));
    auto *page = new QWidget;
    m_tabs->addTab(page, QStringLiteral("Первая"));
    m_tabs->addTab(new QWidget, QStringLiteral("Вторая"));
    m_grid = new QTableView;
    m_grid->setObjectName(QStringLiteral("grid"));
    m_model = new QStandardItemModel(3, 2, m_grid);
    for (int row = 0; row < 3; ++row) {
        for (int column = 0; column < 2; ++column)
            m_model->setItem(row, column, new QStandardItem(QStringLiteral("r%1c%2").arg(row).arg(column)));
    }
    m_grid->setModel(m_model);
    m_edit = new QLineEdit(QStringLiteral("a\\b"));
    m_edit->setObjectName(QStringLiteral("edit"));
    m_label = new QLabel(QStringLiteral("two\nlines"));
    m_label->setObjectName(QStringLiteral("label"));
    auto *layout = new QVBoxLayout(page);
    layout->addWidget(m_grid);
    layout->addWidget(m_edit);
    layout->addWidget(m_label);
    auto *outer = new QVBoxLayout(m_window.get());
    outer->addWidget(m_tabs);
    m_window->move(37, 53);
    m_window->show();
    m_window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
    m_grid->setCurrentIndex(m_model->index(2, 1));
    m_edit->setFocus();
    QTRY_VERIFY_WITH_TIMEOUT(m_edit->hasFocus(), 5000);
}

void tst_testprobe::cleanup()
{
    m_window.reset();
}

void tst_testprobe::answer_data()
{
    QTest::addColumn<QString>("query");
    // Gives the expected answer from the window's widgets.
    QTest::addColumn<std::function<QString(tst_testprobe &)>>("expected");
    using Expected = std::function<QString(tst_testprobe &)>;

    QTest::newRow("widget") << QStringLiteral("widget edit")
                            << Expected([](tst_testprobe &t) { return RectText(t.m_edit, t.m_edit->rect()); });
    QTest::newRow("cell") << QStringLiteral("cell grid 1 1") << Expected([](tst_testprobe &t) {
        return RectText(t.m_grid->viewport(), t.m_grid->visualRect(t.m_model->index(1, 1)));
    });
    QTest::newRow("item of a view") << QStringLiteral("item grid r2c0") << Expected([](tst_testprobe &t) {
        return RectText(t.m_grid->viewport(), t.m_grid->visualRect(t.m_model->index(2, 0)));
    });
    QTest::newRow("tab") << QStringLiteral("item pages Вторая") << Expected([](tst_testprobe &t) {
        return RectText(t.m_tabs->tabBar(), t.m_tabs->tabBar()->tabRect(1));
    });
    QTest::newRow("current cell") << QStringLiteral("current grid") << Expected([](tst_testprobe &) {
        return QStringLiteral("2 1");
    });
    QTest::newRow("text with a backslash") << QStringLiteral("text edit")
                                           << Expected([](tst_testprobe &) { return QStringLiteral("a\\\\b"); });
    QTest::newRow("text with a line end") << QStringLiteral("text label")
                                          << Expected([](tst_testprobe &) { return QStringLiteral("two\\nlines"); });
    QTest::newRow("focus") << QStringLiteral("focus")
                           << Expected([](tst_testprobe &) { return QStringLiteral("edit QLineEdit"); });
    QTest::newRow("widget not there") << QStringLiteral("widget nothing")
                                      << Expected([](tst_testprobe &) { return QStringLiteral("none"); });
    QTest::newRow("cell not there") << QStringLiteral("cell grid 3 0")
                                    << Expected([](tst_testprobe &) { return QStringLiteral("none"); });
    QTest::newRow("tab not there") << QStringLiteral("item pages Третья")
                                   << Expected([](tst_testprobe &) { return QStringLiteral("none"); });
    QTest::newRow("unknown query") << QStringLiteral("where edit")
                                   << Expected([](tst_testprobe &) { return QStringLiteral("error: where edit"); });
}

void tst_testprobe::answer()
{
    QFETCH(QString, query);
    QFETCH(std::function<QString(tst_testprobe &)>, expected);
    QCOMPARE(TTestProbe::Answer(query), expected(*this));
}

// The program, with no port to open, is asked several queries at once; the
// answers come one a line, in order.
void tst_testprobe::answersOnTheStandardStreams()
{
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("KOLT_TARVO_PORTS"), folder.path());
    environment.insert(QStringLiteral("KOLT_TARVO_SETTINGS"), folder.filePath(QStringLiteral("kolt-tarvo-conf.ini")));
    environment.insert(QString::fromLatin1(TTestProbe::VariableName), QStringLiteral("1"));
    QProcess program;
    program.setProcessEnvironment(environment);
    program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    program.start(QStringLiteral(KOLT_APP_PATH), QStringList());
    QVERIFY2(program.waitForStarted(), qPrintable(program.errorString()));

    program.write("text lblConfigCaption\ncurrent tvConfig\nwidget nothing\nwhere\n");
    QByteArray answers;
    QTRY_VERIFY_WITH_TIMEOUT((answers += program.readAllStandardOutput()).count('\n') >= 4, 60000);
    QCOMPARE(QString::fromUtf8(answers), QStringLiteral("Администрирование\n0 0\nnone\nerror: where\n"));

    program.closeWriteChannel();
    program.terminate();
    QVERIFY(program.waitForFinished(30000));
}

void tst_testprobe::noneWithoutTheVariable()
{
    qunsetenv(TTestProbe::VariableName);
    QVERIFY(!TTestProbe::FromEnvironment());
}

QTEST_MAIN(tst_testprobe)
#include "tst_testprobe.moc"
