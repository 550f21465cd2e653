#ifndef STARTUP_H
#define STARTUP_H

// Starts the game's first-frame program and the empty QGraphicsView program `rounds` times
// each, alternately, and prints the medians of their times to the first painted frame and
// the ratio. Options left in argv: --platform=NAME (default offscreen) for both programs.
int runStartup(int argc, char **argv, int rounds);

#endif
