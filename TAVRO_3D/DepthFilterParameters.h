#pragma once
// Hands the current screen mode to the running AI-3D mode's depth filter. Nothing happens
// while the AI-3D mode has not been created. Main thread only.

void applyDepthFilterParameters();
