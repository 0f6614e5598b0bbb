#pragma once

#include <QtGlobal>

// The icons live in this static library; registering them by hand keeps the linker from
// dropping them. Safe to call more than once.
inline void initAppResources()
{
    Q_INIT_RESOURCE(icons);
}
