#pragma once

/// Registers the value controls (tracks, scroll bars, splitter, progress bar, busy indicator,
/// angle dial) for streaming and in their palette categories. Runs once; later calls do
/// nothing.
void RegisterValueControls();
