// Every control of the wizard window's design, once: its design name, its kind, the
// container it sits in, the form member it mirrors, its entry in the layout, and what a
// click (or a change) asks of the controller. Rows stand in the order the controls are
// made, which is their Tab order. Both windows make, place and mirror their controls by
// looping over this table; each implements a few primitives per kind. A new control is a
// Form field and a row.
#pragma once

#include <span>
#include <type_traits>
#include <variant>

#include "ui/WindowLayout.h"
#include "wizard/Form.h"

namespace tv {

class TSetupWizardDlg;

enum class ControlKind {
    Panel,         // a container without a frame
    Group,         // a group box: a frame with its caption around its controls
    Heading,       // a page's heading, bold and grey
    Label,         // a line of text in the window's font
    FileNameLabel, // a line of text in the file name's font
    TextBlock,     // text broken into lines where it breaks them and where it is too wide
    RowButton,     // a speed button of the button row
    ToggleButton,  // a speed button of the button row that stays down
    FlatButton,    // a flat speed button with a glyph
    RadioButton,   // one of the radio buttons of its container
    FolderEdit,    // a one-line edit with the folder button at its right end
    ComboBox,      // a drop-down list whose edit field takes typed text too
    CheckList,     // a list of entries with check boxes
    ListBox,       // a list of lines
    ProgressBar,
};

// The form member a control mirrors; none for containers the form does not know.
using FormMember =
    std::variant<std::monostate, Control Form::*, SpeedButton Form::*, RadioButton Form::*, Edit Form::*,
                 ComboBox Form::*, CheckListBox Form::*, ListBox Form::*, ProgressBar Form::*>;

// What a click on a button (or its folder button, or a change of a drop-down) asks of the
// controller; `tag` is the button's Tag in the form.
using ControlAction = void (*)(TSetupWizardDlg& controller, int tag);

struct ControlRow {
    const char* Name;
    ControlKind Kind;
    const char* Parent; // a page ("tsParams") or a container's row; null: the window itself
    FormMember Model;
    Bounds WindowLayout::*Place;
    ControlAction Action = nullptr;
    const char* Glyph = nullptr; // the button's image, by its file name in ui/images
};

std::span<const ControlRow> ControlTable();

// Asks the row's action of `controller`, with the button's Tag as the form has it.
void Perform(const ControlRow& row, TSetupWizardDlg& controller);

// The form member of `row` as `Model` (const for a const form), or null when the row
// mirrors another kind.
template <class Model, class FormRef> auto* ModelOf(const ControlRow& row, FormRef& form) {
    using Result = std::conditional_t<std::is_const_v<FormRef>, const Model, Model>;
    const auto* member = std::get_if<Model Form::*>(&row.Model);
    return member ? &(form.**member) : static_cast<Result*>(nullptr);
}

// Calls `visit` with the form member of `row`, in its own type; nothing for a row without one.
template <class FormRef, class Visit> void VisitModel(const ControlRow& row, FormRef& form, Visit&& visit) {
    std::visit(
        [&](auto member) {
            if constexpr (!std::is_same_v<decltype(member), std::monostate>) visit(form.*member);
        },
        row.Model);
}

// What a progress bar shows of its model: bars count in ints, and the model's units
// (thousands of bytes) stay far below the limit.
struct BarValues {
    int Max;
    int Position;
};
BarValues BarValuesOf(const ProgressBar& bar);

// Where a row's control sits: the row of its container, or else the page it is on
// (PageIndex), or neither (-1 both): the window itself.
struct ControlParent {
    int Row = -1;
    int Page = -1;
};
ControlParent ParentOf(const ControlRow& row);

} // namespace tv
