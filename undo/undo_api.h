// Undo calls that other subsystems invoke by their exported behaviour.
#pragma once

void EndFade();  // does nothing; kept for callers that end a fade
