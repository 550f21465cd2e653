// The page leaves the widget styles' icons out of its download (see CMakeLists.txt). Qt's
// widgets still register them when the application starts: these stand in for the functions
// that would, and register nothing.

int qInitResources_qstyle()
{
    return 1;
}

int qCleanupResources_qstyle()
{
    return 1;
}

int qInitResources_qstyle1()
{
    return 1;
}

int qCleanupResources_qstyle1()
{
    return 1;
}
