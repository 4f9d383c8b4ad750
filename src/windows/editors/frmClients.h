// SPDX-License-Identifier: GPL-3.0-or-later
// frmClients, "Clients - Contacts": the record editor of the Clients table (clients and friends).
#pragma once

#include "editors/RecordEditor.h"

namespace miravo {

class frmClients final : public RecordEditor {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmClients)

public:
    explicit frmClients(QWidget* parent = nullptr);
    ~frmClients() override;
};

} // namespace miravo
