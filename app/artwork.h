// The window's pictures, drawn in code: backgrounds, the maker's banner, the
// page pictures and the button glyphs. Nothing is loaded from files.
#pragma once

#include <QPixmap>

namespace korval::artwork {

QPixmap LeftBackground();
QPixmap PageBackground();
QPixmap Banner(const char* webAddress);
QPixmap RdmPicture();
QPixmap IapPicture();
QPixmap ArrowGlyph(bool up);
QPixmap DiscoverGlyph();
QPixmap IdentifyGlyph();
QPixmap ReadGlyph();
QPixmap WriteGlyph();
QPixmap AddressGlyph();
QPixmap NetworkGlyph();
QPixmap StatusGlyph();
QPixmap DataGlyph();
QPixmap MinimizeGlyph();

}  // namespace korval::artwork
