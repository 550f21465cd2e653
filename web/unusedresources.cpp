// Stand-ins for the functions that register resources of Qt's libraries which the page leaves
// out of its download (see cmake/KeloWeb.cmake): they register nothing, so no resource is linked.

#define KELO_UNUSED_RESOURCE(name) \
    int qInitResources_##name() { return 1; } \
    int qCleanupResources_##name() { return 1; }

KELO_UNUSED_RESOURCE(qstyle)       // the widget styles' standard icons, in many sizes
KELO_UNUSED_RESOURCE(qstyle1)      // and more of them
KELO_UNUSED_RESOURCE(qmessagebox)  // the message box's icons
KELO_UNUSED_RESOURCE(gui_shaders)  // the shaders that compose windows with OpenGL
