#pragma once
// Connects the bars to the thread's keyboard and mouse managers and to the popup bar: a bar that
// starts tracking joins the tracked bars and the keyboard clients, and so on. Installed by every
// popup bar, menu bar and manager; calling it again does nothing.

void JQWInstallTrackingServices();
