#pragma once
// Puts the post-process action classes of this library into the action registry in place of its
// stand-ins. Call once at start-up, before any stack is loaded; later calls do nothing.
void RegisterPostProcessActions();
