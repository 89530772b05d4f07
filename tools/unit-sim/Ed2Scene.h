#pragma once

#include "visualiser/DolbyED2PaTypes.h"

#include <QString>

// ED2 personalisation scenes for the simulator: a built-in animated one and
// one read from a short text description.
//
// Description format. Statements are separated by ';' or line ends; '#'
// starts a comment running to the end of the line. Inside a statement,
// words are separated by blanks and "key=value" words start a new field;
// words without '=' continue the field before them.
//
//   valid=N        the record's valid field (default 1)
//   sel=N          selected presentation (default 0; any value is sent as is)
//   P<n> ...       presentation n (0 to 15), with the fields
//       name=TEXT        presentation name; may hold blanks ("name=Main Mix")
//       beds=A,B,...     bed speakers: channel names (L, R, C, LFE, Ls, Rs, Lrs,
//                        Rrs, Ltf, Rtf, Ltm, Rtm, Ltr, Rtr, Lfw, Rfw) or raw source
//                        numbers (any 32-bit integer, to try bad indices)
//       objects=x,y,z x,y,z ...
//                        dynamic objects, x left/right, y rear/front, z floor/ceiling;
//                        "nan" and "inf" are accepted
//       nspk=N nobj=N    raw counts to send instead of the list lengths (fields
//                        apply in order, so put these after beds= and objects=)
//
// Example: "valid=1 sel=0; P0 name=Main beds=L,R,C objects=0,1,0.5 -1,0,1"
// At most 16 beds and 16 objects per presentation.
namespace Ed2Scene {

inline constexpr int kPresentations = 4; // presentations of the animated scene

// The animated scene at a time in seconds: named presentations with beds
// and objects circling the room and rising and falling. iObjects >= 0 sets
// the object count of the selected presentation (at most 16).
dlb_pwk_pa_status Animated(double dSeconds, std::uint32_t uSelected = 0, int iObjects = -1);

// Fills the record from a description; false with a reason on bad input,
// the record then being left zeroed.
bool Parse(const QString& text, dlb_pwk_pa_status* pStatus, QString* pError);

// One line saying what a record holds, for the simulator's console.
QString Summary(const dlb_pwk_pa_status& status);

} // namespace Ed2Scene
