#ifndef LONGGAME_H
#define LONGGAME_H

// Plays `pairs` pairs headless with a simple deterministic player and prints the time per
// pair and the peak resident memory at 1 %, 10 % and 100 % of them. Needs a QApplication.
int runLongGame(long pairs);

#endif
