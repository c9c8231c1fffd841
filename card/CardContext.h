#pragma once
// What every card command works with: the port object, the bit link over
// it, the AVR programming commands, the loader link and the host that
// shows the command's progress and asks its questions (the main window,
// or the terminal of pellar-cli). The owner keeps them alive while a
// command runs.
//
// The chips of the operation are the AVR commands' (Avr.Chips): the
// owner puts its choice there before a command. Their expected processor,
// when set, makes every command that reads the signature refuse a card
// whose signature names another processor, before anything is written
// (pellar-cli's --processor). The window leaves it unset.

#include "link/AvrCommands.h"
#include "link/CardHost.h"
#include "link/IspLink.h"
#include "link/LoaderLink.h"
#include "link/TLpt.h"

struct TCardContext {
  TLptPort& Port;
  TIspLink& Link;
  TAvrCommands& Avr;
  TLoaderLink& Loader;
  TCardHost& Host;
};
