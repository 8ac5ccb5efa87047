#ifndef FORMRESOURCES_H
#define FORMRESOURCES_H

// Registers the window icon and the menu pictures. A static library's resources
// are not linked in by themselves; whoever builds the form calls this first.
void kavelInitFormResources();

#endif
