#pragma once

// The forms ask for the Windows families "Microsoft YaHei UI" and its relatives.
// Maps each of them to DejaVu Sans for Latin text and digits, followed by
// Noto Sans CJK SC so that Chinese is drawn with Simplified Chinese glyphs
// rather than whichever CJK face fontconfig would pick. Call once, after the
// application object exists and before any window is built.
void installFontSubstitutions();
