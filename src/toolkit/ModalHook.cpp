#include "toolkit/ModalHook.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDeadlineTimer>
#include <QDialog>
#include <QFileDialog>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPainter>
#include <QPointer>
#include <QTimer>
#include <QToolTip>
#include <QVariant>

#include "toolkit/ModalRun.h"
#include "toolkit/Properties.h"
#include "toolkit/WidgetText.h"

namespace toolkit {

namespace {
constexpr const char* kAgentName = "ostrel-modal-hook";
}  // namespace

// Lives as a child of the application object, so that the toolkit finds it
// without any state of its own.
class ModalHook::Agent : public QObject {
public:
    explicit Agent(QObject* parent) : QObject(parent) { setObjectName(kAgentName); }

    // Each window takes the next answer when it opens, so that answers match
    // windows in the order they opened even when a window ends by itself
    // before its answer ran (its answer is then dropped).
    void Open(QDialog& dialog, CDialog* owner) {
        QPointer<QDialog> guard(&dialog);
        if (m_answers.empty()) {
            ++m_unanswered;
            Later(dialog, [guard] {
                if (guard) guard->done(IDCANCEL);
            });
            return;
        }
        ++m_answered;
        Later(dialog, [guard, owner, answer = std::move(m_answers.front())] {
            if (!guard) return;
            ModalWindow window(*guard, owner);
            answer(window);
        });
        m_answers.pop_front();
    }

    // From a timer, not a posted event: an answer that waits (nested event
    // loop) must still see requests a worker queued before it.
    template <typename F>
    static void Later(QDialog& dialog, F fn) {
        QTimer::singleShot(1, Qt::PreciseTimer, &dialog, std::move(fn));
    }

    std::deque<ModalHook::Answer> m_answers;
    int m_answered = 0;
    int m_unanswered = 0;
};

ModalHook::ModalHook() : m_agent(new Agent(QCoreApplication::instance())) {}

ModalHook::~ModalHook() { delete m_agent; }

ModalHook& ModalHook::Then(Answer answer) {
    m_agent->m_answers.push_back(std::move(answer));
    return *this;
}

int ModalHook::Answered() const { return m_agent->m_answered; }
int ModalHook::Unanswered() const { return m_agent->m_unanswered; }
int ModalHook::Pending() const { return static_cast<int>(m_agent->m_answers.size()); }

namespace {

// A window opened without an owner is owned by the modal window it
// interrupts, as the toolkit picks the owner: Qt then centres it over that
// window rather than the screen, so neither hides the other's buttons.
QWidget* PickOwner(const QDialog& dialog) {
    if (dialog.parentWidget() != nullptr) return nullptr;
    QWidget* below = QApplication::activeModalWidget();
    if (below == nullptr) below = QApplication::activeWindow();
    return below != &dialog ? below : nullptr;
}

}  // namespace

int ExecModal(QDialog& dialog, CDialog* owner) {
    auto* app = QCoreApplication::instance();
    auto* agent = app ? app->findChild<QObject*>(kAgentName, Qt::FindDirectChildrenOnly) : nullptr;
    if (auto* hook = dynamic_cast<ModalHook::Agent*>(agent)) hook->Open(dialog, owner);
    // Owned only while it runs: the window below outlives this nested run.
    const QPointer<QWidget> picked = PickOwner(dialog);
    if (picked) dialog.setParent(picked, dialog.windowFlags());
    const int code = dialog.exec();
    if (picked) dialog.setParent(nullptr, dialog.windowFlags());
    return code;
}

// ------------------------------------------------------------ ModalWindow

bool ModalWindow::IsOpen() const { return m_dialog.isVisible(); }

bool ModalWindow::IsMessageBox() const { return qobject_cast<QMessageBox*>(&m_dialog) != nullptr; }

bool ModalWindow::IsFileDialog() const { return qobject_cast<QFileDialog*>(&m_dialog) != nullptr; }

std::string ModalWindow::Caption() const { return m_dialog.windowTitle().toStdString(); }

std::string ModalWindow::Text() const {
    const auto* box = qobject_cast<QMessageBox*>(&m_dialog);
    return box ? box->text().toStdString() : std::string();
}

UINT ModalWindow::MessageType() const { return m_dialog.property(kMessageTypeProperty).toUInt(); }

QWidget* ModalWindow::Control(int id) const {
    for (auto* child : m_dialog.findChildren<QWidget*>()) {
        const QVariant value = child->property(kIdProperty);
        if (value.isValid() && value.toInt() == id) return child;
    }
    return nullptr;
}

std::string ModalWindow::ControlText(int id) const {
    const QWidget* control = Control(id);
    return control ? WidgetText(*control) : std::string();
}

bool ModalWindow::IsEnabled(int id) const {
    const QWidget* control = Control(id);
    return control && control->isEnabled();
}

bool ModalWindow::HasFocus(int id) const {
    const QWidget* control = Control(id);
    return control && m_dialog.focusWidget() == control;
}

CRect ModalWindow::ControlRect(int id) const {
    const QWidget* control = Control(id);
    if (!control) return {};
    const QRect r = control->geometry();
    return {r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
}

void ModalWindow::Click(int id) {
    if (auto* button = qobject_cast<QAbstractButton*>(Control(id))) button->click();
}

void ModalWindow::CloseBox() { m_dialog.close(); }

void ModalWindow::Key(int key, int modifiers) {
    QWidget* target = m_dialog.focusWidget() ? m_dialog.focusWidget() : &m_dialog;
    const auto mods = Qt::KeyboardModifiers(modifiers);
    QKeyEvent press(QEvent::KeyPress, key, mods);
    QKeyEvent release(QEvent::KeyRelease, key, mods);
    QPointer<QWidget> guard(target);
    QCoreApplication::sendEvent(target, &press);
    if (guard) QCoreApplication::sendEvent(target, &release);
}

bool ModalWindow::WaitFor(const std::function<bool()>& ready, int timeoutMs) {
    QDeadlineTimer deadline(timeoutMs);
    while (!ready()) {
        if (deadline.hasExpired()) return false;
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

void ModalWindow::Escape() { Key(Qt::Key_Escape, Qt::NoModifier); }
void ModalWindow::Enter() { Key(Qt::Key_Return, Qt::NoModifier); }
void ModalWindow::AltF4() { Key(Qt::Key_F4, Qt::AltModifier); }

void ModalWindow::SysMenuCommand(UINT command) {
    Key(Qt::Key_Space, Qt::AltModifier);
    auto* menu = m_dialog.findChild<QMenu*>(kSystemMenuName);
    if (!menu) return;
    for (auto* action : menu->actions()) {
        if (action->property(kCommandProperty).toUInt() == command && action->isEnabled()) {
            menu->hide();
            action->trigger();
            return;
        }
    }
    menu->hide();
}

void ModalWindow::MenuCommand(UINT command) {
    auto* bar = m_dialog.findChild<QMenuBar*>();
    if (!bar) return;
    for (auto* action : bar->findChildren<QAction*>()) {
        const QVariant value = action->property(kCommandProperty);
        if (value.isValid() && value.toUInt() == command) {
            if (action->isEnabled()) action->trigger();
            return;
        }
    }
}

void ModalWindow::ChooseFile(const std::string& nativePath) {
    auto* dialog = qobject_cast<QFileDialog*>(&m_dialog);
    if (!dialog) return;
    if (nativePath.empty()) {
        dialog->reject();
        return;
    }
    // selectFile leaves the name field alone while that has the focus, as it
    // has once the dialog is active; accept() would then open the folder.
    if (QWidget* focused = dialog->focusWidget()) focused->clearFocus();
    dialog->selectFile(QString::fromStdString(nativePath));
    static_cast<QDialog*>(dialog)->accept();
}

namespace {

constexpr int kTitleHeight = 28;

// The window's picture below a drawn title bar (caption and close box).
QImage Framed(QDialog& dialog) {
    const QPixmap body = dialog.grab();
    QImage image(body.width() + 2, body.height() + kTitleHeight + 1, QImage::Format_ARGB32);
    image.fill(QColor(0x5a, 0x6b, 0x80));
    QPainter painter(&image);
    painter.fillRect(1, 1, image.width() - 2, kTitleHeight - 1, QColor(0x2f, 0x5f, 0x9e));
    int textLeft = 8;
    const QIcon icon = dialog.windowIcon();
    if (!icon.isNull()) {
        painter.drawPixmap(6, 6, icon.pixmap(16, 16));
        textLeft = 28;
    }
    QFont font = dialog.font();
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(QRect(textLeft, 1, image.width() - textLeft - 30, kTitleHeight - 1),
                     Qt::AlignVCenter | Qt::AlignLeft, dialog.windowTitle());
    // the close box
    const QRect box(image.width() - 26, 5, 18, 18);
    painter.setPen(QPen(Qt::white, 2));
    painter.drawLine(box.topLeft() + QPoint(4, 4), box.bottomRight() - QPoint(4, 4));
    painter.drawLine(box.topRight() + QPoint(-4, 4), box.bottomLeft() + QPoint(4, -4));
    painter.drawPixmap(1, kTitleHeight, body);
    return image;
}

// The tooltip window Qt shows for QToolTip::showText, if one is showing.
QWidget* ShownTip() {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget->inherits("QTipLabel") && widget->isVisible()) return widget;
    }
    return nullptr;
}

}  // namespace

bool ModalWindow::Grab(const std::string& pngPath) const {
    return Framed(m_dialog).save(QString::fromStdString(pngPath), "PNG");
}

bool ModalWindow::GrabWithTip(int id, const std::string& pngPath) const {
    QWidget* control = Control(id);
    if (control == nullptr || control->toolTip().isEmpty()) return false;
    // Where a pointer resting in the middle of the control makes Qt place it.
    const QPoint pointer = control->mapToGlobal(control->rect().center());
    QToolTip::showText(pointer, control->toolTip(), control);
    QWidget* tip = ShownTip();
    if (tip == nullptr) return false;
    const QPixmap tipPicture = tip->grab();
    const QPoint tipAt = tip->pos() - m_dialog.mapToGlobal(QPoint(0, 0)) + QPoint(1, kTitleHeight);
    QToolTip::hideText();

    const QImage window = Framed(m_dialog);
    const QRect whole = window.rect().united(QRect(tipAt, tipPicture.size()));
    QImage image(whole.size(), QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.drawImage(-whole.topLeft(), window);
    painter.drawPixmap(tipAt - whole.topLeft(), tipPicture);
    painter.end();
    return image.save(QString::fromStdString(pngPath), "PNG");
}

}  // namespace toolkit
