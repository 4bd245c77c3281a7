#pragma once

// The start-up registration of the design-time tools.

/// Registers the design-time classes (selection frames and handles, the designers' forms) for
/// streaming and in their palette categories. Part of the module start-up, after the controls and
/// the layers; registering again adds nothing.
void RegisterDesignTools();
