// Loaded into the real program with LD_PRELOAD, this plays a user: it waits
// for each window of a script to become the active modal window and acts on
// it with real mouse and key events, logging what every window showed.
//
// OSTREL_DRIVER_SCRIPT names the script, one step a line, tab-separated:
//   <window caption> <TAB> <text the window must show, or empty> <TAB> <action> [<TAB> <arg>]
// Actions: click <control id> | file <native path> | observe | close |
//          report <id,id,...> (logs "report id=text ..." of those edits) |
//          select <entry> (of the window's list, such as a drive E:\)
// The text is that of static 1011 (prompts), of a message box, or the
// buttons of a file dialog.
// OSTREL_DRIVER_LOG names the log: "seen <caption> <TAB> <text>" per step
// and "done" once the last step was reached.
#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QTest>
#include <QTextStream>
#include <QTimer>
#include <QVariant>

#include "toolkit/Properties.h"

namespace {

struct Step {
    QString caption;
    QString text;
    QString action;
    QString arg;
};

QString ShownText(QWidget& window) {
    if (auto* box = qobject_cast<QMessageBox*>(&window)) return box->text();
    // A file dialog shows its buttons' texts, in the language Qt was given.
    if (qobject_cast<QFileDialog*>(&window) != nullptr) {
        QStringList texts;
        for (auto* buttons : window.findChildren<QDialogButtonBox*>()) {
            for (auto* button : buttons->buttons()) texts << button->text();
        }
        return texts.join(QLatin1Char(' '));
    }
    for (auto* label : window.findChildren<QLabel*>()) {
        if (label->property(toolkit::kIdProperty).toInt() == 1011) return label->text();
    }
    return {};
}

QWidget* Control(QWidget& window, int id) {
    for (auto* child : window.findChildren<QWidget*>()) {
        if (child->property(toolkit::kIdProperty).toInt() == id) return child;
    }
    return nullptr;
}

class Driver : public QObject {
public:
    Driver(QList<Step> steps, QString logPath)
        : QObject(QCoreApplication::instance()), m_steps(std::move(steps)), m_log(logPath) {
        m_log.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text);
        auto* timer = new QTimer(this);
        connect(timer, &QTimer::timeout, this, [this] { Poll(); });
        timer->start(100);
    }

private:
    void Log(const QString& line) {
        m_log.write((line + QLatin1Char('\n')).toUtf8());
        m_log.flush();
    }

    void Poll() {
        if (m_next >= m_steps.size()) return;
        const Step& step = m_steps[m_next];
        QWidget* window = QApplication::activeModalWidget();
        if (window == nullptr || !window->isVisible() || window == m_lastWindow) return;
        if (window->windowTitle() != step.caption) return;
        const QString text = ShownText(*window);
        if (!step.text.isEmpty() && text != step.text) return;
        Log(QStringLiteral("seen ") + step.caption + QLatin1Char('\t') + text);
        ++m_next;
        if (m_next >= m_steps.size()) Log(QStringLiteral("done"));
        // The next step waits for another window. The action runs from the
        // event loop, as a user's would, and may open nested modal windows.
        // A report or a select leaves the window open, so the next step may use it.
        const bool staysOpen =
            step.action == QLatin1String("report") || step.action == QLatin1String("select");
        m_lastWindow = staysOpen ? nullptr : window;
        QPointer<QWidget> guard(window);
        QTimer::singleShot(0, window, [this, guard, step] {
            if (guard) Act(*guard, step);
        });
    }

    void Act(QWidget& window, const Step& step) {
        if (step.action == QLatin1String("click")) {
            if (auto* button = qobject_cast<QAbstractButton*>(Control(window, step.arg.toInt()))) {
                QTest::mouseClick(button, Qt::LeftButton);
            } else {
                Log(QStringLiteral("missing control ") + step.arg);
            }
        } else if (step.action == QLatin1String("file")) {
            auto* edit = window.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            if (edit == nullptr) {
                Log(QStringLiteral("missing file name field"));
                return;
            }
            edit->setFocus();
            edit->clear();
            QTest::keyClicks(edit, step.arg);
            QTest::keyClick(edit, Qt::Key_Return);
        } else if (step.action == QLatin1String("select")) {
            Select(window, step.arg);
        } else if (step.action == QLatin1String("close")) {
            window.close();
        } else if (step.action == QLatin1String("report")) {
            QString line = QStringLiteral("report");
            for (const QString& id : step.arg.split(QLatin1Char(','))) {
                auto* edit = qobject_cast<QLineEdit*>(Control(window, id.toInt()));
                line +=
                    QLatin1Char(' ') + id + QLatin1Char('=') + (edit ? edit->text() : QString());
            }
            Log(line);
        }
    }

    // With the arrow keys, as a user picks a list entry that is not the first.
    void Select(QWidget& window, const QString& entry) {
        auto* list = window.findChild<QComboBox*>();
        const int wanted = list ? list->findText(entry, Qt::MatchExactly) : -1;
        if (wanted < 0) {
            Log(QStringLiteral("missing entry ") + entry);
            return;
        }
        list->setFocus();
        while (list->currentIndex() != wanted) {
            const int before = list->currentIndex();
            QTest::keyClick(list, before < wanted ? Qt::Key_Down : Qt::Key_Up);
            if (list->currentIndex() == before) {
                Log(QStringLiteral("stuck before entry ") + entry);
                return;
            }
        }
    }

    QList<Step> m_steps;
    QFile m_log;
    qsizetype m_next = 0;
    QPointer<QWidget> m_lastWindow;
};

QList<Step> ReadScript(const QString& path) {
    QList<Step> steps;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) return steps;
    QTextStream in(&file);
    while (!in.atEnd()) {
        const QStringList parts = in.readLine().split(QLatin1Char('\t'));
        if (parts.size() < 3) continue;
        steps.push_back({parts[0], parts[1], parts[2], parts.value(3)});
    }
    return steps;
}

void StartDriver() {
    const QString script = qEnvironmentVariable("OSTREL_DRIVER_SCRIPT");
    const QString log = qEnvironmentVariable("OSTREL_DRIVER_LOG");
    if (script.isEmpty() || log.isEmpty()) return;
    new Driver(ReadScript(script), log);
}

}  // namespace

Q_COREAPP_STARTUP_FUNCTION(StartDriver)
