#pragma once
// The skin's bitmaps as Qt pixmaps.

#include <QIcon>
#include <QPixmap>

namespace zelkor::vorrak {

// The bitmap of resource `id`; a null pixmap for an unknown id.
QPixmap SkinPixmap(int id);

// The program icon, its white corners transparent.
QIcon ProgramIcon();

}  // namespace zelkor::vorrak
