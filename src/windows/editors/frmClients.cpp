// SPDX-License-Identifier: GPL-3.0-or-later
#include "editors/frmClients.h"

namespace miravo {
namespace {

// A field at left 1425 and its label at left 135, 1200 wide, 15 below the field's top.
constexpr EditorField field(int index, const char* column, int top, int width, int left = 1425)
{
    return {index, column, {left, top, width, EditorFieldHeight}, {135, top + 15, 1200, EditorLabelHeight}};
}

// The designed window, in twips. The fields stand in index order.
constexpr std::array Fields{
    field(0, "ID", 135, 1260),        field(1, "Name", 450, 3375),           field(2, "Address", 780, 3375),
    field(3, "Card_num", 1095, 3375), field(4, "Card_Password", 1410, 3375), field(5, "Cell", 1740, 3375),
    field(6, "City", 2055, 3375),     field(7, "Code", 2370, 3375),          field(8, "Fax", 2700, 2000, 1440),
    field(9, "Home", 3015, 2000),     field(10, "Notes", 3330, 3375),
};

// Bottom to top through the fields, then the buttons from right to left; Notes takes the focus on opening.
constexpr std::array TabOrder{
    "txtFields_10", "txtFields_9", "txtFields_8", "txtFields_7", "txtFields_6", "txtFields_5",
    "txtFields_4",  "txtFields_3", "txtFields_2", "txtFields_1", "txtFields_0", "cmdClose",
    "cmdRefresh",   "cmdDelete",   "cmdUpdate",   "cmdAdd",
};

constexpr EditorDesign Design{
    "frmClients",
    "Clients - Contacts",
    "Clients",
    "datClients",
    6180,
    4470,
    Fields,
    {3795, {150, 1305, 2460, 3615, 4770}},
    {105, 4065, 6015, EditorNavigatorHeight},
    TabOrder,
};

} // namespace

frmClients::frmClients(QWidget* parent)
    : RecordEditor(Design, parent)
{}

frmClients::~frmClients() = default;

} // namespace miravo
