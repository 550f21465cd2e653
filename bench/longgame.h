#ifndef LONGGAME_H
#define LONGGAME_H

// Plays `pairs` pairs headless and prints what they cost at 1 %, 10 % and 100 % of them.
// Needs a QApplication.
int runLongGame(long pairs);

#endif
