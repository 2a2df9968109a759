#include "state/SharedState.h"

namespace qvic {

void setKite7Defaults(SharedState &state)
{
    state.strKite7ComPort = QStringLiteral("1");
    state.strKite7Speed = QStringLiteral("Slow");
    state.strKite7Position = QStringLiteral("200");
    state.strKite7Repeat = QStringLiteral("128"); // "Infinite", the last of 128 entries
    state.strKite7BackColor = QStringLiteral("9"); // "No Background Color (Video)"
    state.strKite7Font = QStringLiteral("1");
    state.strKite7FontColor = QStringLiteral("16"); // "White"
    state.strKite7Message.clear();
}

} // namespace qvic
