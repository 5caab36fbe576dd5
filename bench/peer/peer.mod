ModName=peer
ModFullName=Peer benchmark scene
ModAuthor=The Kaz engine team
ModWebSite=
ModLogo=
ModVersion=0.1.0
ModPackages=peer;peer_built
ClassName=PeerBench.PeerApplication
