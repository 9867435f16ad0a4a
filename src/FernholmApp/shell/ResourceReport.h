#pragma once

#include <QStringList>

namespace fernholm {

// What the program finds of the files it ships, one line each, as `tarvine --list-resources`
// prints it (so an install can be checked from outside, and a user can see where a missing
// font went):
//   font <file>                              each font file registered
//   face <name> <weight> <family> <weight>   each typeface the views ask for at a weight, and
//                                            the family and weight of the face that the font
//                                            database gives for it; "missing" when only another
//                                            family could stand in for it
//   image <name> <file>                      the brand images, or "missing"
//   icon <source>                            the window icon: "theme", the file, or "missing"
struct ResourceReport {
    QStringList lines;
    // Every face found at its own weight, every image, and the icon.
    bool complete = true;

    // GUI thread, after the application object exists.
    static ResourceReport gather();
};

} // namespace fernholm
