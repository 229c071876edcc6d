#include "toolkit/DialogWidget.h"

#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenuBar>
#include <QPushButton>

#include "toolkit/CDialog.h"

namespace toolkit {
namespace {

// The client area: painting and right clicks go to the dialog object.
class ClientArea : public QWidget {
public:
    ClientArea(CDialog& owner, QWidget* parent) : QWidget(parent), m_owner(owner) {}

protected:
    void paintEvent(QPaintEvent* event) override {
        QWidget::paintEvent(event);
        m_owner.DispatchPaint();
    }
    void contextMenuEvent(QContextMenuEvent* event) override {
        m_owner.OpenSystemMenu(event->pos().x(), event->pos().y());
        event->accept();
    }

private:
    CDialog& m_owner;
};

}  // namespace

DialogWidget::DialogWidget(CDialog& owner, QWidget* parent)
    : QDialog(parent), m_owner(owner), m_client(new ClientArea(owner, this)) {
    setSizeGripEnabled(false);
}

void DialogWidget::SetClientSize(const QSize& size) {
    m_clientSize = size;
    Layout();
}

void DialogWidget::SetMenuBar(QMenuBar* bar) {
    if (m_menuBar != bar) delete m_menuBar;
    m_menuBar = bar;
    if (m_menuBar) m_menuBar->show();
    Layout();
}

void DialogWidget::Layout() {
    const int barHeight = m_menuBar ? m_menuBar->sizeHint().height() : 0;
    if (m_menuBar) m_menuBar->setGeometry(0, 0, m_clientSize.width(), barHeight);
    m_client->setGeometry(0, barHeight, m_clientSize.width(), m_clientSize.height());
    setFixedSize(m_clientSize.width(), m_clientSize.height() + barHeight);
}

void DialogWidget::accept() { m_owner.SendMessage(WM_COMMAND, IDOK); }

void DialogWidget::reject() { m_owner.SendMessage(WM_COMMAND, IDCANCEL); }

bool DialogWidget::EnterPressed() {
    // A focused push button is pressed; otherwise the default button's command.
    if (auto* button = qobject_cast<QPushButton*>(focusWidget())) {
        if (button->isEnabled()) button->click();
        return true;
    }
    m_owner.SendMessage(WM_COMMAND, static_cast<WPARAM>(m_owner.DefaultCommandId()));
    return true;
}

bool DialogWidget::WindowKey(const QKeyEvent& event) {
    if ((event.modifiers() & Qt::AltModifier) == 0) return false;
    if (event.key() == Qt::Key_Space) {
        m_owner.SendMessage(WM_SYSCOMMAND, SC_KEYMENU, ' ');
        return true;
    }
    if (event.key() == Qt::Key_F4) {
        m_owner.SendMessage(WM_SYSCOMMAND, SC_CLOSE);
        return true;
    }
    return false;
}

bool DialogWidget::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && WindowKey(*static_cast<QKeyEvent*>(event))) {
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void DialogWidget::keyPressEvent(QKeyEvent* event) {
    if (WindowKey(*event)) return;
    switch (event->key()) {
        case Qt::Key_Escape:
            m_owner.SendMessage(WM_COMMAND, IDCANCEL);
            return;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            EnterPressed();
            return;
        default:
            break;
    }
    QWidget::keyPressEvent(event);
}

void DialogWidget::closeEvent(QCloseEvent* event) {
    // The close box asks; the dialog object decides whether the window ends.
    event->ignore();
    m_owner.SendMessage(WM_SYSCOMMAND, SC_CLOSE);
}

}  // namespace toolkit
