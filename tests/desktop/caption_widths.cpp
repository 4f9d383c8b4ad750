// SPDX-License-Identifier: GPL-3.0-or-later
// miravo-caption-widths: the width each caption of the main window, the keypad and the two editors needs, as Qt
// measures its text in the font the window gives it, on the display it is started on. The desktop suite sets
// these beside the extents the running program reports, to see that no caption is cut short.
//
// One line per label or button that has a text: window title, "label" or "button", accessible name, the width
// its text needs in pixels, and the text as shown (which a caption too long for its frame shows elided).
// Run with the data folder of the program it is compared with, so that the windows read the same file.
#include "dialer/frmMiravoCall.h"
#include "editors/frmClients.h"
#include "editors/frmVendors.h"
#include "keypad/frmPhone.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QLabel>
#include <QTextStream>

namespace {

// The text as drawn: "&Add" shows "Add", "&&" shows "&".
QString shownText(const QString& text)
{
    QString shown;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'&' && i + 1 < text.size())
            ++i;
        shown.append(text[i]);
    }
    return shown;
}

QString accessibleName(QWidget* widget)
{
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(widget);
    return accessible ? accessible->text(QAccessible::Name) : widget->accessibleName();
}

// The pixels from the text's start to the right end of its last stroke; for a caption wrapped onto lines, of its
// longest line.
int inkWidth(QWidget* widget, const QString& shown, bool wrapped)
{
    const QFontMetrics metrics = widget->fontMetrics();
    if (wrapped)
        return metrics.boundingRect(QRect(QPoint(), widget->contentsRect().size()), Qt::TextWordWrap, shown).width();
    return metrics.tightBoundingRect(shown).right() + 1;
}

void report(QTextStream& out, QWidget* window)
{
    const auto line = [&](const char* kind, QWidget* widget, const QString& text, bool wrapped) {
        const QString shown = shownText(text).trimmed();
        if (shown.isEmpty())
            return;
        out << window->windowTitle() << '\t' << kind << '\t' << accessibleName(widget) << '\t'
            << inkWidth(widget, shown, wrapped) << '\t' << shown << '\n';
    };
    for (QLabel* label : window->findChildren<QLabel*>())
        if (label->pixmap().isNull())
            line("label", label, label->text(), label->wordWrap());
    for (QAbstractButton* button : window->findChildren<QAbstractButton*>())
        line("button", button, button->text(), false);
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("MiravoDialer")); // the program's data folder
    QTextStream out(stdout);
    miravo::frmMiravoCall main;
    miravo::frmPhone phone(main);
    miravo::frmClients clients;
    miravo::frmVendors vendors;
    for (QWidget* window : {static_cast<QWidget*>(&main), static_cast<QWidget*>(&phone),
                            static_cast<QWidget*>(&clients), static_cast<QWidget*>(&vendors)})
        report(out, window);
    return 0;
}
