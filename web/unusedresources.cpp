// Resources of Qt's libraries that the page leaves out of its download (see
// cmake/KeloWeb.cmake). Qt still registers each when the program starts, by calling a function
// that the resource's own object in the library defines: these stand in for those functions,
// register nothing, and so keep the resources out of the program.

#define KELO_UNUSED_RESOURCE(name) \
    int qInitResources_##name() { return 1; } \
    int qCleanupResources_##name() { return 1; }

KELO_UNUSED_RESOURCE(qstyle)       // the widget styles' standard icons, in many sizes
KELO_UNUSED_RESOURCE(qstyle1)      // and more of them
KELO_UNUSED_RESOURCE(qmessagebox)  // the message box's icons
KELO_UNUSED_RESOURCE(gui_shaders)  // the shaders that compose windows with OpenGL
