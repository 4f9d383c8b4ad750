// SPDX-License-Identifier: GPL-3.0-or-later
// The entry point of the fetch module (libmiravo_pagefetch.so): the one piece of the program that uses QtNetwork.
#pragma once

#include "browser/PageFetchModule.h"

#include <QObject>

namespace miravo {

class PageFetchPlugin final : public QObject, public PageFetchModule {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID MiravoPageFetchModule_iid)
    Q_INTERFACES(miravo::PageFetchModule)
    Q_DISABLE_COPY_MOVE(PageFetchPlugin)

public:
    PageFetchPlugin() = default;
    ~PageFetchPlugin() override = default;

    void fetchAndDrop(const QUrl& url, QObject* owner) override;
    void setLimits(const FetchLimits& limits) override { m_limits = limits; }

private:
    FetchLimits m_limits;
};

} // namespace miravo
