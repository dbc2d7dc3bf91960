// sparse/intQueue.cpp: the first-in first-out queue of ints used by the Cuthill-McKee ordering
#include "sparse/intQueue.h"

#include <cstdlib>

// An empty queue: both ends null.
intQueue::intQueue() : front(nullptr), back(nullptr)
{
}

// Frees the nodes still queued, front to back.
intQueue::~intQueue()
{
    while (front != nullptr)
    {
        QueueNode* gone = front;
        front = front->next;
        free(gone);
    }
    back = nullptr;
}

// Links a new node holding v behind back; the queue owns the node until dequeue frees it.
void intQueue::enqueue(int v)
{
    QueueNode* q = (QueueNode*)malloc(sizeof(QueueNode));
    q->number = v;
    q->next = nullptr;
    if (back == nullptr)
        front = q;
    else
        back->next = q;
    back = q;
}

// Unlinks and frees the front node, returning its number; -1 from an empty queue.
int intQueue::dequeue()
{
    if (front == nullptr)
        return -1;
    QueueNode* q = front;
    int v = q->number;
    front = q->next;
    if (front == nullptr)
        back = nullptr;
    free(q);
    return v;
}
