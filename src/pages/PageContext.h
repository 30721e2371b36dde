#pragma once

struct LastSelection;
class NoteStore;
class Prompts;
class SaveGate;

// What every page and its document share with the rest of the program. The notes session owns
// all of it, and it outlives the pages.
struct PageContext {
    NoteStore &store;
    const SaveGate &saving;
    Prompts &prompts;
    // The rich-text selection the font lists act on (month and annual pages).
    LastSelection &lastSelection;
};
