// SPDX-License-Identifier: GPL-3.0-or-later
#include "editors/RecordEditor.h"

#include "data/PhoneCardDatabase.h"
#include "editors/RecordNavigator.h"
#include "ui/Announcer.h"
#include "ui/DesignedControls.h"
#include "ui/FocusKeeping.h"
#include "ui/MessageService.h"

#include <QCloseEvent>
#include <QDataWidgetMapper>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QSqlTableModel>

#include <utility>

namespace miravo {
namespace {

struct ButtonDesign {
    const char* name;
    const char* caption;
};

// In the order of EditorButtonRow::lefts.
constexpr std::array<ButtonDesign, 5> Buttons{{
    {"cmdAdd", "&Add"},
    {"cmdUpdate", "&Update"},
    {"cmdDelete", "&Delete"},
    {"cmdRefresh", "&Refresh"},
    {"cmdClose", "&Close"},
}};

QStringList columnsByIndex(const EditorDesign& design)
{
    QStringList columns(design.fields.size());
    for (const EditorField& field : design.fields)
        columns[field.index] = QString::fromLatin1(field.column);
    return columns;
}

} // namespace

RecordEditor::RecordEditor(const EditorDesign& design, QWidget* parent)
    : QWidget(parent, Qt::Window)
    , m_design(design)
    , m_columns(columnsByIndex(design))
    , m_source(std::make_unique<RecordSource>(QString::fromLatin1(design.table), m_columns))
{
    setObjectName(QString::fromLatin1(design.windowName));
    setWindowTitle(QString::fromLatin1(design.title));
    resize(twipsToPixels(design.clientWidth), twipsToPixels(design.clientHeight));
    // The layout was designed in the dialog font; the platform's larger default, or a wide stand-in for the missing
    // design font, would cut "Card_Password:" and "CompAddress:" short in their labels.
    setFont(designedFont(DialogFont));
    buildControls();
    allowLongValues(this);

    m_mapper = new QDataWidgetMapper(this);
    // The window decides when values go into the record (when it is left, or on Update), not the focus.
    m_mapper->setSubmitPolicy(QDataWidgetMapper::ManualSubmit);
    connect(m_source.get(), &RecordSource::currentRowChanged, this, &RecordEditor::showRecord);

    if (const Outcome opened = m_source->open(); !opened.ok())
        m_openFailure = opened.reason();
    else
        m_openFailure = m_source->cannotStore(); // said at once, not after the user has typed a record in vain
}

// The data source goes first, with its model; the mapper (a child) lets go of the model when it is destroyed.
RecordEditor::~RecordEditor() = default;

void RecordEditor::buildControls()
{
    m_txtFields.resize(m_design.fields.size());
    for (const EditorField& design : m_design.fields) {
        // The names carry the field's index, so the entries are made here rather than in the design table.
        const QByteArray fieldName = "txtFields_" + QByteArray::number(design.index);
        const QByteArray labelName = "lblLabels_" + QByteArray::number(design.index);
        const QByteArray caption = QByteArray(design.column) + ':';

        auto* field = place(new QLineEdit(this), {fieldName.constData(), design.field});
        // The store gives every new record its ID; it is shown, not the user's to change.
        field->setReadOnly(QLatin1String(design.column) == IdColumn);
        // After a refused close, typing makes the next close try to store again before it closes.
        connect(field, &QLineEdit::textEdited, this, [this] { m_closeRefused = false; });
        m_txtFields[design.index] = field;

        placeCaption(this, {labelName.constData(), design.label, caption.constData()}, field);
    }

    std::array<QPushButton*, Buttons.size()> buttons{};
    for (std::size_t i = 0; i < Buttons.size(); ++i) {
        const TwipsRect rect{m_design.buttons.lefts[i], m_design.buttons.top, EditorButtonWidth, EditorButtonHeight};
        QPushButton* button = placeButton(this, {Buttons[i].name, rect, Buttons[i].caption});
        // Enter in a field must not press a button: Update is the user's choice.
        button->setAutoDefault(false);
        buttons[i] = button;
    }
    m_cmdAdd = buttons[0];
    m_cmdUpdate = buttons[1];
    m_cmdDelete = buttons[2];
    m_cmdRefresh = buttons[3];
    m_cmdClose = buttons[4];

    m_navigator = new RecordNavigator(QString::fromLatin1(m_design.sourceName), this);
    m_navigator->setGeometry(m_design.navigator.toPixels());
    for (QLineEdit* field : std::as_const(m_txtFields))
        m_navigator->takeKeysFrom(field);

    // The navigation bar's buttons follow the five buttons in the tab order.
    QList<QWidget*> tabOrder;
    for (const char* name : m_design.tabOrder) {
        auto* widget = findChild<QWidget*>(QString::fromLatin1(name), Qt::FindDirectChildrenOnly);
        Q_ASSERT_X(widget, "RecordEditor", name);
        tabOrder.append(widget);
        if (widget == m_cmdAdd)
            tabOrder.append(m_navigator->buttons());
    }
    chainTabOrder(tabOrder);
    pressButtonsOnEnter(this);
    keepFocusInWindow(this, tabOrder.first());
    m_announcer = new Announcer(this);

    connect(m_cmdAdd, &QPushButton::clicked, this, &RecordEditor::cmdAdd_Click);
    connect(m_cmdUpdate, &QPushButton::clicked, this, &RecordEditor::cmdUpdate_Click);
    connect(m_cmdDelete, &QPushButton::clicked, this, &RecordEditor::cmdDelete_Click);
    connect(m_cmdRefresh, &QPushButton::clicked, this, &RecordEditor::cmdRefresh_Click);
    connect(m_cmdClose, &QPushButton::clicked, this, &QWidget::close);
    connect(m_navigator, &RecordNavigator::moveRequested, this, &RecordEditor::datSource_Move);
}

void RecordEditor::bindFields()
{
    m_mapper->clearMapping();
    if (!m_source->model())
        return;
    m_mapper->setModel(m_source->model());
    // By column name: the file's column order is not the window's field order.
    for (qsizetype index = 0; index < m_columns.size(); ++index)
        m_mapper->addMapping(m_txtFields[index], m_source->fieldIndex(m_columns[index]));
}

void RecordEditor::showRecord(int row)
{
    if (m_mapper->model() != m_source->model())
        bindFields();
    if (row < 0) {
        for (QLineEdit* field : std::as_const(m_txtFields))
            field->clear();
        return;
    }
    m_mapper->setCurrentIndex(row);
}

void RecordEditor::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (m_openFailure.isEmpty())
        return;
    // Said once the window stands on screen, so the user sees which window could not open its table.
    QMetaObject::invokeMethod(
        this,
        [this] {
            // Shown twice before this ran (a hide and show in between), the window still says it once.
            if (!m_openFailure.isEmpty())
                showMessage(std::exchange(m_openFailure, QString()));
        },
        Qt::QueuedConnection);
}

void RecordEditor::closeEvent(QCloseEvent* event)
{
    if (m_closeRefused) {
        // Closing again, without typing anything more, after the message said why the store refused: the window
        // closes. One more try at storing (the lock may have gone meanwhile), without the same message again.
        const QScopedValueRollback quiet(m_quiet, true);
        leaveRecord();
    } else if (!leaveRecord()) {
        // The store refused what the user typed, and the message said why. The window stays open with the
        // values, so nothing is lost unseen.
        m_closeRefused = true;
        event->ignore();
        return;
    }
    while (QGuiApplication::overrideCursor())
        QGuiApplication::restoreOverrideCursor();
    event->accept();
}

QStringList RecordEditor::fieldTexts() const
{
    QStringList texts;
    for (const QLineEdit* field : m_txtFields)
        texts.append(field->text());
    return texts;
}

void RecordEditor::setFieldTexts(const QStringList& texts)
{
    // The read-only ID field shows the record's own ID, not the one of the record the texts were typed into.
    for (qsizetype index = 0; index < m_txtFields.size() && index < texts.size(); ++index) {
        if (!m_txtFields[index]->isReadOnly() && m_txtFields[index]->text() != texts[index])
            m_txtFields[index]->setText(texts[index]);
    }
}

bool RecordEditor::fieldsChanged() const
{
    for (qsizetype index = 0; index < m_txtFields.size(); ++index) {
        if (m_txtFields[index]->isReadOnly())
            continue;
        // A Null shows as an empty field; leaving it empty is no change.
        const QString stored = m_source->currentValue(m_source->fieldIndex(m_columns[index])).toString();
        if (m_txtFields[index]->text() != stored)
            return true;
    }
    return false;
}

bool RecordEditor::anyFieldFilled() const
{
    for (const QLineEdit* field : m_txtFields) {
        if (!field->isReadOnly() && !field->text().isEmpty())
            return true;
    }
    return false;
}

bool RecordEditor::leaveRecord()
{
    if (!m_source->isOpen()) {
        // Nothing can be stored while the table is not open; text typed into the blank fields stays, and the
        // message says why (as a refused store does).
        if (!anyFieldFilled())
            return true;
        tell(m_source->openError());
        return false;
    }
    if (m_source->currentRow() < 0) {
        // The window is Empty. Text typed into its blank fields without pressing Add becomes a new record, as if
        // Add had been pressed first.
        if (!anyFieldFilled())
            return true;
        const QStringList typed = fieldTexts();
        if (const Outcome added = m_source->addNew(); !added.ok()) {
            tell(added.reason());
            return false;
        }
        setFieldTexts(typed);
        return storeRecord();
    }
    if (m_source->isAdding()) {
        // A new record left blank was never typed into: dropping it loses nothing and keeps blank records out
        // of the table.
        if (!anyFieldFilled()) {
            m_source->discardNew();
            return true;
        }
        return storeRecord();
    }
    if (!m_source->hasUnstoredValues() && !fieldsChanged())
        return true;
    return storeRecord();
}

bool RecordEditor::storeRecord()
{
    const QStringList typed = fieldTexts();
    m_mapper->submit();
    const Outcome stored = m_source->store();
    if (!stored.ok()) {
        setFieldTexts(typed);
        m_refreshDropsEdits = stored.code() == RecordSource::ChangedElsewhere;
        tell(stored.reason());
        return false;
    }
    m_closeRefused = false;
    m_refreshDropsEdits = false;
    return true;
}

void RecordEditor::tell(const QString& text)
{
    if (!m_quiet)
        showMessage(text);
}

void RecordEditor::cmdAdd_Click()
{
    if (!leaveRecord())
        return;
    if (const Outcome added = m_source->addNew(); !added.ok()) {
        showMessage(added.reason());
        return;
    }
    // The fields clear and nothing else shows it to a screen reader.
    m_announcer->announce(tr("New record"));
}

void RecordEditor::cmdUpdate_Click()
{
    storeRecord();
}

void RecordEditor::cmdDelete_Click()
{
    const QStringList typed = fieldTexts();
    const Outcome removed = m_source->remove();
    if (!removed.ok()) {
        // The record is still there, and so is what the user typed into it.
        if (m_source->currentRow() >= 0)
            setFieldTexts(typed);
        showMessage(removed.reason());
    }
}

void RecordEditor::cmdRefresh_Click()
{
    // After a store refused because another program changed the record, Refresh is how the user takes that
    // program's values, as the message said: storing first would only be refused again.
    if (!std::exchange(m_refreshDropsEdits, false) && !leaveRecord())
        return;
    const QString couldNotStore = m_source->cannotStore();
    if (const Outcome reloaded = m_source->reload(); !reloaded.ok())
        showMessage(reloaded.reason());
    else if (const QString cannotStore = m_source->cannotStore();
             cannotStore != couldNotStore && !cannotStore.isEmpty())
        showMessage(cannotStore); // the file opened again is read-only, unlike the one before
}

void RecordEditor::datSource_Move(RecordMove move)
{
    if (!leaveRecord())
        return;
    m_source->move(move);
    announceRecord();
}

void RecordEditor::announceRecord()
{
    const int row = m_source->currentRow();
    if (row < 0 || !m_source->model())
        return;
    QString said = tr("Record %1 of %2").arg(row + 1).arg(m_source->model()->rowCount());
    // The focused field's whole value: the screen reader itself reads only what changed in it, or "blank".
    const auto* field = qobject_cast<const QLineEdit*>(focusWidget());
    if (field && m_txtFields.contains(field)) {
        const QString value = field->text().isEmpty() ? tr("blank") : field->text();
        said += QStringLiteral(". %1 %2").arg(field->accessibleName(), value);
    }
    m_announcer->announce(said);
}

} // namespace miravo
