// SPDX-License-Identifier: GPL-3.0-or-later
// The page's content for screen readers. The engine builds a page's accessibility tree only when it is asked to
// at its start; without it a screen reader finds an empty "Web page". Used by the browser module before it creates
// its window, which is when the engine starts.
#pragma once

#include <QByteArray>

namespace miravo {

// The engine's command-line flags with the one that exposes every page's content added (once).
QByteArray withPageAccessibility(const QByteArray& engineFlags);

// When assistive technology is active, has the engine expose each page's content to it; otherwise does nothing, so
// the engine spends nothing on it. Must run before the engine starts.
void exposePagesWhenAssistiveTechnologyIsActive();

} // namespace miravo
