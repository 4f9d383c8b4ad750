// SPDX-License-Identifier: GPL-3.0-or-later
#include "editors/frmVendors.h"

namespace miravo {
namespace {

constexpr int FieldLeft = 1320;

// A field at left 1320 and its label at left 300, 900 wide, level with the field.
constexpr EditorField field(int index, const char* column, int top, int width)
{
    return {index, column, {FieldLeft, top, width, EditorFieldHeight}, {300, top, 900, EditorLabelHeight}};
}

constexpr EditorField field(int index, const char* column, int top, int width, TwipsRect label)
{
    return {index, column, {FieldLeft, top, width, EditorFieldHeight}, label};
}

// The designed window, in twips. The rows are in screen order, which is not index order.
constexpr std::array Fields{
    field(0, "ID", 75, 1425, {300, 90, 900, EditorLabelHeight}),
    field(1, "Language", 405, 3375),
    field(2, "Name", 690, 3375),
    field(3, "Address", 1005, 3375),
    field(4, "Business", 1320, 3375),
    field(8, "Company", 1620, 3375),
    field(7, "CompAddress", 1980, 3375, {120, 1965, 1080, EditorLabelHeight}),
    field(9, "Fax", 2310, 1950),
    field(5, "City", 2670, 3075),
    field(6, "Code", 3000, 3375),
};

// The buttons from right to left, then the fields from the highest index down; Close takes the focus on opening.
constexpr std::array TabOrder{
    "cmdClose",    "cmdRefresh",  "cmdDelete",   "cmdUpdate",   "cmdAdd",
    "txtFields_9", "txtFields_8", "txtFields_7", "txtFields_6", "txtFields_5",
    "txtFields_4", "txtFields_3", "txtFields_2", "txtFields_1", "txtFields_0",
};

constexpr EditorDesign Design{
    "frmVendors",
    "Vendors",
    "Vendors",
    "datVendors",
    5805,
    4215,
    Fields,
    {3360, {0, 1155, 2310, 3435, 4560}},
    {30, 3675, 5625, EditorNavigatorHeight},
    TabOrder,
};

} // namespace

frmVendors::frmVendors(QWidget* parent)
    : RecordEditor(Design, parent)
{}

frmVendors::~frmVendors() = default;

} // namespace miravo
