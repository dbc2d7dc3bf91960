// sparse/intQueue.h: a first-in first-out queue of ints, the frontier of the Cuthill-McKee search
#ifndef SPARSE_INTQUEUE_H
#define SPARSE_INTQUEUE_H

// intQueue is a singly linked list of QueueNode records running from front (oldest) to back
// (newest). Both ends are null exactly when the queue is empty. Every node is allocated with
// malloc by enqueue and released with free by dequeue; the destructor releases whatever is still
// queued, so the queue owns its nodes. Copying is not allowed.
class intQueue
{
public:
    // One queued value.
    struct QueueNode
    {
        int number;      // the queued value
        QueueNode* next; // the node queued after this one (toward the back), null at the back
    };

    QueueNode* front; // oldest node, the next to leave; null when the queue is empty
    QueueNode* back;  // newest node; null when the queue is empty

    // ---- life cycle --------------------------------------------------------------------------

    // An empty queue.
    intQueue();
    // Releases every node still queued.
    ~intQueue();
    intQueue(const intQueue&) = delete;
    intQueue& operator=(const intQueue&) = delete;

    // ---- queue operations --------------------------------------------------------------------

    // Appends v at the back; one node allocated.
    void enqueue(int v);
    // Removes the front node and returns its number; -1, with the queue left empty and untouched,
    // when there is nothing to remove (never a queued value in this library, which queues indices).
    int dequeue();
};

#endif
