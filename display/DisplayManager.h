#pragma once
// A second display-manager class beside tavroDisplayManager: it holds nothing and does
// nothing, and nothing in the application makes one. Any thread.

class DisplayManager {};
