// SPDX-License-Identifier: GPL-3.0-or-later
// frmVendors, "Vendors": the record editor of the Vendors table (card companies).
#pragma once

#include "editors/RecordEditor.h"

namespace miravo {

class frmVendors final : public RecordEditor {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmVendors)

public:
    explicit frmVendors(QWidget* parent = nullptr);
    ~frmVendors() override;
};

} // namespace miravo
