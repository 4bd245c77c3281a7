#pragma once

/// Registers the control classes for streaming and in their palette categories, in palette
/// order. Runs after each start of the 2D library; registering again adds nothing.
void RegisterControls();
