#include "toolkit/Controls.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>

#include "res/Resources.h"
#include "toolkit/Icons.h"
#include "toolkit/Properties.h"
#include "toolkit/WidgetText.h"

namespace toolkit {
namespace {

QString Q(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QWidget* MakeButton(const ControlTemplate& c, QWidget* client) {
    auto* button = new QPushButton(Q(c.text), client);
    // Enter is the dialog's business (focused button or default command).
    button->setAutoDefault(false);
    button->setDefault((c.style & 0x0F) == BS_DEFPUSHBUTTON);
    button->setFlat((c.style & BS_FLAT) != 0);
    return button;
}

QWidget* MakeGroupBox(const ControlTemplate& c, QWidget* client) {
    auto* group = new QGroupBox(Q(c.text), client);
    // Drawn behind the controls it frames and never in their way.
    group->setAttribute(Qt::WA_TransparentForMouseEvents);
    return group;
}

QWidget* MakeEdit(const ControlTemplate& c, QWidget* client) {
    auto* edit = new QLineEdit(Q(c.text), client);
    edit->setReadOnly((c.style & ES_READONLY) != 0);
    edit->setFrame((c.style & WS_BORDER) != 0);
    return edit;
}

QWidget* MakeStatic(const ControlTemplate& c, QWidget* client) {
    auto* label = new QLabel(client);
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setWordWrap(true);
    label->setProperty(kNoPrefixProperty, (c.style & SS_NOPREFIX) != 0);
    SetWidgetText(*label, std::string(c.text));
    return label;
}

QWidget* MakeIcon(const ControlTemplate& c, QWidget* client, const QSize& size) {
    auto* label = new QLabel(client);
    // A template may name an icon the program does not carry: show the
    // program icon rather than an empty hole.
    HICON icon = AfxLoadIcon(c.iconId);
    if (icon == nullptr) icon = res::FindIcon(136);
    label->setPixmap(IconPixmap(icon, std::min(size.width(), size.height())));
    return label;
}

QWidget* MakeCombo(const ControlTemplate& c, QWidget* client) {
    auto* combo = new QComboBox(client);
    combo->setEditable((c.style & 0x03) == CBS_DROPDOWN);
    // Only AddString fills the list; typed text never joins it.
    combo->setInsertPolicy(QComboBox::NoInsert);
    combo->setProperty(kSortedProperty, (c.style & CBS_SORT) != 0);
    // The field's tooltip is that of the selected entry (CComboBox::SetItemTip).
    QObject::connect(combo, &QComboBox::currentIndexChanged, combo, [combo](int index) {
        combo->setToolTip(index < 0 ? combo->property(kEmptyTipProperty).toString()
                                    : combo->itemData(index, Qt::ToolTipRole).toString());
    });
    return combo;
}

QWidget* MakeProgress(const ControlTemplate& c, QWidget* client) {
    auto* bar = new QProgressBar(client);
    bar->setRange(0, 100);
    bar->setValue(0);
    bar->setTextVisible(false);
    (void)c;
    return bar;
}

QWidget* MakeWidget(const ControlTemplate& c, QWidget* client, const QRect& rect) {
    switch (c.kind) {
        case ControlKind::PushButton:
            return MakeButton(c, client);
        case ControlKind::GroupBox:
            return MakeGroupBox(c, client);
        case ControlKind::Edit:
            return MakeEdit(c, client);
        case ControlKind::Static:
            return MakeStatic(c, client);
        case ControlKind::Icon:
            return MakeIcon(c, client, rect.size());
        case ControlKind::ComboBox:
            return MakeCombo(c, client);
        case ControlKind::Progress:
            return MakeProgress(c, client);
    }
    return new QWidget(client);
}

}  // namespace

QWidget* CreateControl(const ControlTemplate& control, QWidget* client, const BaseUnits& units) {
    QRect rect = DialogUnitsToPixels(units, control.x, control.y, control.cx, control.cy);
    QWidget* widget = MakeWidget(control, client, rect);
    if (control.kind == ControlKind::ComboBox) {
        // The template height includes the dropped-down list; the field keeps
        // its natural height and the list shows as many entries as fit.
        auto* combo = static_cast<QComboBox*>(widget);
        const int field = combo->sizeHint().height();
        combo->setMaxVisibleItems(std::max(1, (rect.height() - field) / std::max(1, field - 4)));
        rect.setHeight(field);
    }
    widget->setGeometry(rect);
    widget->setProperty(kIdProperty, control.id);
    widget->setFocusPolicy((control.style & WS_TABSTOP) ? Qt::StrongFocus : Qt::NoFocus);
    if (control.kind == ControlKind::GroupBox) widget->lower();
    return widget;
}

UINT CtlColorKind(const ControlTemplate& control) {
    switch (control.kind) {
        case ControlKind::Static:
        case ControlKind::Icon:
        case ControlKind::GroupBox:
            return CTLCOLOR_STATIC;
        case ControlKind::Edit:
            return (control.style & ES_READONLY) ? CTLCOLOR_STATIC : CTLCOLOR_EDIT;
        case ControlKind::ComboBox:
            return CTLCOLOR_EDIT;
        case ControlKind::PushButton:
        case ControlKind::Progress:
            return CTLCOLOR_BTN;
    }
    return CTLCOLOR_STATIC;
}

}  // namespace toolkit
