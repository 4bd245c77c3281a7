#pragma once

// The start-up registration of the design-time tools.

/// Registers the design-time classes (selection frames and handles, the designers' forms) for
/// streaming and in their palette categories, installs the design modes of the 2D and 3D
/// scene controls and of the object layers, and lets the colour buttons run the brush
/// dialog. Part of the module start-up, after the controls and the layers; registering again
/// adds nothing.
void RegisterDesignTools();
/// Frees the shared designer windows and unhooks the brush dialog; part of the module
/// shut-down, before the 2D library goes.
void FinalizeDesignTools();
