#include "state/SharedState.h"

namespace qvic {

void setKite7Defaults(SharedState &state)
{
    state.kite7ComPort = QStringLiteral("1");
    state.kite7Speed = QStringLiteral("Slow");
    state.kite7Position = QStringLiteral("200");
    state.kite7Repeat = QStringLiteral("128"); // "Infinite", the last of 128 entries
    state.kite7BackColor = QStringLiteral("9"); // "No Background Color (Video)"
    state.kite7Font = QStringLiteral("1");
    state.kite7FontColor = QStringLiteral("16"); // "White"
    state.kite7Message.clear();
}

} // namespace qvic
