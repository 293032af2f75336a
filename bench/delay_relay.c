/* Holds what a host sends for a while, as a slow device would: a relay between two links.
 *
 * usage: delay_relay HOST_LINK BRIDGE_LINK DELAY_MS
 *
 * Runs in a namespace of its own holding both links, one joined to the host, one to a bridge
 * port: every frame the host sends goes on to the bridge DELAY_MS after it arrived, every frame
 * towards the host at once. The kernel here has no netem; this stands in for it. Prints "ready"
 * once both links are open; runs until it is killed, at most ten minutes. */
#include <arpa/inet.h>
#include <linux/if_ether.h>
#include <linux/if_packet.h>
#include <net/if.h>
#include <poll.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>

#define HELD_MAX 4096
#define FRAME_MAX 2048
#define LIFETIME_MS (600 * 1000L)

struct held {
    long due_ms;
    int size;
    unsigned char frame[FRAME_MAX];
};

static struct held held[HELD_MAX]; /* a ring, in order of arrival, so in order of due time */
static int first, count;

static long now_ms(void) {
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return now.tv_sec * 1000L + now.tv_nsec / 1000000L;
}

static int open_link(const char *name) {
    int link = socket(AF_PACKET, SOCK_RAW | SOCK_NONBLOCK, htons(ETH_P_ALL));
    struct sockaddr_ll address = {.sll_family = AF_PACKET, .sll_protocol = htons(ETH_P_ALL),
                                  .sll_ifindex = (int)if_nametoindex(name)};
    struct packet_mreq promiscuous = {.mr_ifindex = address.sll_ifindex,
                                      .mr_type = PACKET_MR_PROMISC};
    int one = 1;
    if (link < 0 || address.sll_ifindex == 0 ||
        bind(link, (struct sockaddr *)&address, sizeof address) != 0 ||
        setsockopt(link, SOL_PACKET, PACKET_ADD_MEMBERSHIP, &promiscuous, sizeof promiscuous) ||
        /* what this relay sends on a link must not come back to it as received */
        setsockopt(link, SOL_PACKET, PACKET_IGNORE_OUTGOING, &one, sizeof one)) {
        perror(name);
        exit(1);
    }
    return link;
}

int main(int argc, char **argv) {
    if (argc != 4) {
        fprintf(stderr, "usage: delay_relay HOST_LINK BRIDGE_LINK DELAY_MS\n");
        return 2;
    }
    int host = open_link(argv[1]), bridge = open_link(argv[2]);
    long delay = atol(argv[3]), end = now_ms() + LIFETIME_MS;
    unsigned char frame[FRAME_MAX];
    printf("ready\n");
    fflush(stdout);
    while (now_ms() < end) {
        long now = now_ms();
        while (count > 0 && held[first].due_ms <= now) {
            send(bridge, held[first].frame, (size_t)held[first].size, 0);
            first = (first + 1) % HELD_MAX;
            --count;
        }
        struct pollfd links[2] = {{host, POLLIN, 0}, {bridge, POLLIN, 0}};
        poll(links, 2, count > 0 ? (int)(held[first].due_ms - now) : 1000);
        ssize_t size;
        while ((size = recv(host, frame, sizeof frame, 0)) > 0 && count < HELD_MAX) {
            struct held *slot = &held[(first + count++) % HELD_MAX];
            slot->due_ms = now_ms() + delay;
            slot->size = (int)size;
            memcpy(slot->frame, frame, (size_t)size);
        }
        while ((size = recv(bridge, frame, sizeof frame, 0)) > 0) {
            send(host, frame, (size_t)size, 0);
        }
    }
    return 0;
}
