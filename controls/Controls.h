#pragma once

/// Registers the control classes for streaming and in their palette categories, in palette
/// order. Runs once, after the 2D library's start-up; later calls do nothing.
void RegisterControls();
